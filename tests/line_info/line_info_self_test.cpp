// The writer and the reader together on a real executable: the build wrote
// this test program's side file with zendrel-rli after linking it, and the
// program finds its own code through it, natively and under wine.
#include <gtest/gtest.h>

#include "errors/system.h"
#include "errors/line_info.h"
#include "platform/platform.h"
#include "tests/line_info/known_routine.h"

namespace {

TEST(LineInfoSelfTest, TheSideFileLiesBesideTheExecutable) {
  const std::string rli = LineInfoFile();
  EXPECT_EQ(rli, LineInfoPathFor(platform::ExecutablePath()));
  EXPECT_TRUE(platform::PathExists(rli));
  EXPECT_TRUE(LineInfoAvailable());
}

// Looks up an address inside KnownRoutine and checks the names it resolves to.
AddressInfo LookupInKnownRoutine(std::uintptr_t address) {
  AddressInfo info;
  EXPECT_TRUE(LookupAddress(address, &info));
  EXPECT_EQ(info.UnitName, "known_routine");
  EXPECT_EQ(info.RoutineName, "KnownRoutine(int*)");
  EXPECT_EQ(info.SourceName, "known_routine.cpp");
  return info;
}

TEST(LineInfoSelfTest, AFunctionResolvesToItsUnitRoutineAndSource) {
  const auto entry = reinterpret_cast<std::uintptr_t>(&KnownRoutine);
  const AddressInfo info = LookupInKnownRoutine(entry);
  EXPECT_GE(info.LineNumber, kKnownRoutineFirstLine);
  EXPECT_LE(info.LineNumber, kKnownRoutineLastLine);
  EXPECT_LE(info.UnitStart, entry);
  EXPECT_GT(info.UnitEnd, entry);
  EXPECT_GE(info.UnitStart, CodeBase());
}

TEST(LineInfoSelfTest, ALineInsideTheFunctionResolvesToThatLine) {
  int line = 0;
  const std::uintptr_t call = KnownRoutine(&line);
  EXPECT_EQ(LookupInKnownRoutine(call).LineNumber, line);
}

TEST(LineInfoSelfTest, ATestOfThisFileResolvesToThisUnit) {
  // The test body below is a function of this unit; its address is taken
  // through a lambda defined here, whose code lies in this unit too.
  const auto here = [] { return __LINE__; };
  const auto address = reinterpret_cast<std::uintptr_t>(+here);
  AddressInfo info;
  ASSERT_TRUE(LookupAddress(address, &info));
  EXPECT_EQ(info.UnitName, "line_info_self_test");
  EXPECT_EQ(info.SourceName, "line_info_self_test.cpp");
  EXPECT_EQ(info.LineNumber, here());
}

TEST(LineInfoSelfTest, AnAddressOutsideOurCodeResolvesToNothing) {
  AddressInfo info;
  ASSERT_TRUE(LookupAddress(CodeBase() - 4096, &info));
  EXPECT_EQ(info.UnitName, "");
  EXPECT_EQ(info.RoutineName, "");
  EXPECT_EQ(info.LineNumber, 0);
}

}  // namespace
