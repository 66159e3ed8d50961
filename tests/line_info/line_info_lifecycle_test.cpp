// The process-wide side file of a program that the build gave none: not
// available while it is missing, loaded on the first call that finds it,
// and kept from then on, however the file changes.
#include <gtest/gtest.h>

#include "errors/system.h"
#include "errors/line_info.h"
#include "platform/platform.h"
#include "tests/line_info/side_file_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using side_file_bytes::Body;
using side_file_bytes::U32;
using side_file_bytes::Unit;

// One unit that covers all the code there is.
std::string SideFile(const std::string& unit_name) {
  return std::string(64, 'h') + Body(1, 0, 0, Unit(0, unit_name) + U32(0xFFFFFFFF));
}

// The steps depend on each other (the tables are loaded once per process),
// so they form one test.
TEST(LineInfoLifecycleTest, LoadsOnFirstNeedAndKeepsTheTables) {
  const std::string rli = LineInfoFile();
  platform::RemoveFile(rli);
  ASSERT_FALSE(platform::PathExists(rli));

  AddressInfo info;
  info.UnitName = "stale";
  EXPECT_FALSE(LineInfoAvailable());
  EXPECT_FALSE(LookupAddress(CodeBase() + 0x10, &info));
  EXPECT_EQ(info.UnitName, "");

  // A header without tables reads fine but holds nothing to look up in.
  testing_support::WriteFile(rli, std::string(64, 'h'));
  EXPECT_TRUE(LoadLineInfo());
  EXPECT_FALSE(LookupAddress(CodeBase() + 0x10, &info));

  // A short file: not even a whole header.
  testing_support::WriteFile(rli, std::string(10, 'h'));
  EXPECT_FALSE(LineInfoAvailable());

  // The next call finds the tables.
  testing_support::WriteFile(rli, SideFile("everything"));
  EXPECT_TRUE(LineInfoAvailable());
  ASSERT_TRUE(LookupAddress(CodeBase() + 0x10, &info));
  EXPECT_EQ(info.UnitName, "everything");
  EXPECT_EQ(info.UnitStart, CodeBase());

  // Held until the process ends: neither a new file nor none changes them.
  testing_support::WriteFile(rli, SideFile("changed"));
  ASSERT_TRUE(LookupAddress(CodeBase() + 0x10, &info));
  EXPECT_EQ(info.UnitName, "everything");
  platform::RemoveFile(rli);
  EXPECT_TRUE(LineInfoAvailable());
  ASSERT_TRUE(LookupAddress(CodeBase() + 0x20, &info));
  EXPECT_EQ(info.UnitName, "everything");
}

}  // namespace
