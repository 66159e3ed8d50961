// The writer and the reader together on a real executable: the build wrote
// this test program's side file with zendrel-rli after linking it, and the
// program finds its own code through it, natively and under wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "errors/line_info.h"
#include "errors/stack_capture.h"
#include "errors/stack_report.h"
#include "errors/system.h"
#include "platform/platform.h"
#include "tests/line_info/known_routine.h"
#include "tests/line_info/known_throw.h"

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

// The report of a throw names the throwing line, then each caller's line of
// its call: no following line, no line of an inlined header.
TEST(LineInfoSelfTest, AReportFromAThrowNamesTheThrowAndEachCall) {
  InstallStackCapture();
  std::string report;
  try {
    KnownOuter(1);
  } catch (const std::runtime_error&) {
    report = BuildStackReport();
  }
  RemoveStackCapture();
  // What follows the two addresses of each report line of known_throw.cpp.
  std::vector<std::string> ours;
  for (std::size_t start = 0; start < report.size();) {
    std::size_t end = report.find("\r\n", start);
    if (end == std::string::npos) end = report.size();
    const std::size_t at = report.find("known_throw", start);
    if (at < end) ours.push_back(report.substr(at, end - at));
    start = end + 2;
  }
  const auto expected = [](int line, const char* routine) {
    char text[128];
    std::snprintf(text, sizeof text, "known_throw.cpp (%5d) known_throw.%s", line, routine);
    return std::string(text);
  };
  EXPECT_EQ(ours, (std::vector<std::string>{expected(kKnownThrowLine, "KnownThrower(int)"),
                                            expected(kKnownMiddleCallLine, "KnownMiddle(int)"),
                                            expected(kKnownOuterCallLine, "KnownOuter(int)")}))
      << report;
}

TEST(LineInfoSelfTest, AnAddressOutsideOurCodeResolvesToNothing) {
  AddressInfo info;
  ASSERT_TRUE(LookupAddress(CodeBase() - 4096, &info));
  EXPECT_EQ(info.UnitName, "");
  EXPECT_EQ(info.RoutineName, "");
  EXPECT_EQ(info.LineNumber, 0);
}

}  // namespace
