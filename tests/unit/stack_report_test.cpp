// The report text of the error reporter and the log entry, against exact
// expected strings: a known trace resolved through a side file written here
// by hand, with resolved and unresolved addresses, an address below the code
// base, no side file at all, and an empty message.
#include "errors/stack_report.h"

#include <gtest/gtest.h>

#include <vector>

#include "errors/error_log.h"
#include "errors/line_info.h"
#include "errors/line_info_format.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr std::uintptr_t kCodeBase = 0x00401000;

std::string U32(std::uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}
std::string I16(std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  return std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
}
std::string Name(const std::string& text) {
  std::string s(1, static_cast<char>(text.size()));
  for (std::size_t j = 0; j < text.size(); ++j) {
    s += static_cast<char>(text[j] ^ static_cast<char>((j + line_info_format::kNameKeyBase) & 0xFF));
  }
  return s;
}

// Two units: main_window (0x100-0x300) and fast_io (0x300-0x500); routines
// HelpBtnClick (0x120-0x300) and ReadChar (0x300-0x380); main_window.cpp
// lines 10, 11, 13 at 0x120, 0x130, 0x150 and fast_io.cpp lines 40, 41, 42
// at 0x300, 0x310, 0x380.
std::string KnownSideFile() {
  const std::string units = U32(0x100) + Name("main_window") + U32(0x300) + Name("fast_io") + U32(0x500);
  const std::string routines = Name("HelpBtnClick") + std::string("\x81\x20", 2) +  // starts at 0x120
                               Name("ReadChar") + std::string("\x81\xE0", 2) +      // + 0x1E0 = 0x300
                               Name("") + std::string("\x80\x80", 2);               // + 0x80 closes at 0x380
  const std::string lines = "\x3B" + Name("main_window.cpp") + "\x3E" + I16(10) + I16(0x120) + "\x0F" +
                            "\x5F" + "\x3B" + Name("fast_io.cpp") + "\x3C" + I16(40) + U32(0x300) + "\x0F" +
                            "\x6F";
  const std::string body = U32(2) + U32(2) + U32(6) + U32(0) + units + routines + lines;
  return std::string(line_info_format::kHeaderSize, '\0') + body;
}

class StackReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "zendrel.RLI", KnownSideFile());
    ASSERT_TRUE(ReadLineInfoBody(dir_ / "zendrel.RLI", &body_));
  }
  TAddressLookup Lookup() {
    return [this](std::uintptr_t address, AddressInfo* info) {
      LookupInTables(body_.data(), body_.size(), kCodeBase, address, info);
      return true;
    };
  }
  static TTraceList Trace(const std::vector<std::uintptr_t>& addresses) {
    TTraceList trace;
    for (std::uintptr_t address : addresses) trace.Entries[trace.Count++] = TTraceEntry{address, 4};
    return trace;
  }
  TempDir dir_;
  std::vector<std::uint8_t> body_;
};

TEST_F(StackReportTest, ResolvedUnresolvedAndBelowTheCodeBase) {
  const TTraceList trace = Trace({0x401135, 0x401305, 0x401105, 0x401390, 0x401600, 0x400F00});
  EXPECT_EQ(FormatStackReport(trace, true, Lookup(), kCodeBase),
            "Stack trace:\r\n"
            "Physical Logical  Unit  (######) Routine\r\n"
            "00401135 00000135 main_window.cpp (   11) main_window.HelpBtnClick\r\n"
            "00401305 00000305 fast_io.cpp (   40) fast_io.ReadChar\r\n"
            "00401105 00000105 main_window.\r\n"
            "00401390 00000390 fast_io.\r\n"
            "00401600 00000600 .\r\n"
            "00400F00 FFFFFF00 .");
}

// A return address that starts a line (or a routine) was pushed by a call
// on the line before; a preset fault address is looked up as it stands.
TEST_F(StackReportTest, ReturnAddressesNameTheLineOfTheirCall) {
  TTraceList trace;
  trace.Entries[trace.Count++] = TTraceEntry{0x401130, 0};  // a fault at the start of line 11
  trace.Entries[trace.Count++] = TTraceEntry{0x401130, 1};  // returns to line 11: called on line 10
  trace.Entries[trace.Count++] = TTraceEntry{0x401300, 2};  // returns to ReadChar: called from HelpBtnClick
  EXPECT_EQ(FormatStackReport(trace, true, Lookup(), kCodeBase),
            "Stack trace:\r\n"
            "Physical Logical  Unit  (######) Routine\r\n"
            "00401130 00000130 main_window.cpp (   11) main_window.HelpBtnClick\r\n"
            "00401130 00000130 main_window.cpp (   10) main_window.HelpBtnClick\r\n"
            "00401300 00000300 main_window.HelpBtnClick");
}

TEST_F(StackReportTest, WithoutTheSideFileEveryLineTakesTheShortFormWithEmptyNames) {
  const TTraceList trace = Trace({0x401135, 0x40ABCD});
  const TAddressLookup nothing = [](std::uintptr_t, AddressInfo*) { return false; };
  EXPECT_EQ(FormatStackReport(trace, false, nothing, kCodeBase),
            "(NO RTLI AVAILABLE!)\r\n"
            "Stack trace:\r\n"
            "Physical Logical  Unit  (######) Routine\r\n"
            "00401135 00000135 .\r\n"
            "0040ABCD 00009BCD .");
}

TEST_F(StackReportTest, AnEmptyTraceEndsWithTheHeader) {
  EXPECT_EQ(FormatStackReport(TTraceList{}, true, Lookup(), kCodeBase),
            "Stack trace:\r\nPhysical Logical  Unit  (######) Routine");
}

TEST_F(StackReportTest, LineNumbersBeyondFiveDigitsArePrintedWhole) {
  std::string steps;
  for (int i = 0; i < 4; ++i) steps += "\x3C" + I16(30000) + U32(0x10);
  steps += "\x3C" + I16(1) + U32(0x40);
  WriteFile(dir_ / "big.RLI", std::string(64, '\0') + U32(1) + U32(0) + U32(5) + U32(0) + U32(0) + Name("u") +
                                  U32(0x100) + "\x3B" + Name("s.cpp") + steps);
  ASSERT_TRUE(ReadLineInfoBody(dir_ / "big.RLI", &body_));
  EXPECT_EQ(
      FormatStackReport(Trace({0x401050}), true, Lookup(), kCodeBase),
      "Stack trace:\r\nPhysical Logical  Unit  (######) Routine\r\n00401050 00000050 s.cpp (120000) u.");
}

TEST(BuildStackReportTest, WithoutASideFileBesideTheProgramTheReportSaysSo) {
  if (platform::PathExists(LineInfoFile())) GTEST_SKIP() << "this program has a side file";
  TraceList = TTraceList{};
  EXPECT_EQ(BuildStackReport(),
            "(NO RTLI AVAILABLE!)\r\nStack trace:\r\nPhysical Logical  Unit  (######) Routine");
}

TEST(ErrorLogTest, TheEntryHasEveryPartOnItsOwnLine) {
  EXPECT_EQ(FormatLogEntry("08.12.2026 01:02:03", "std::runtime_error", "C:\\Tools\\zendrel.exe", "Boom",
                           "Stack trace:\r\nPhysical Logical  Unit  (######) Routine"),
            "\r\n"
            "08.12.2026 01:02:03\r\n"
            "Exception: std::runtime_error\r\n"
            "In C:\\Tools\\zendrel.exe\r\n"
            "Boom\r\n"
            "Stack trace:\r\n"
            "Physical Logical  Unit  (######) Routine\r\n");
}

TEST(ErrorLogTest, AnEmptyMessageKeepsItsLine) {
  EXPECT_EQ(FormatLogEntry("d t", "EAssertionFailed", "/x/zendrel", "", "R"),
            "\r\nd t\r\nException: EAssertionFailed\r\nIn /x/zendrel\r\n\r\nR\r\n");
}

TEST(ErrorLogTest, EntriesAreAppendedAndTheFileCreatedWhenMissing) {
  TempDir dir;
  AppendLogEntry(dir / "zendrel.ERR", "first\r\n");
  AppendLogEntry(dir / "zendrel.ERR", "second\r\n");
  EXPECT_EQ(ReadFile(dir / "zendrel.ERR"), "first\r\nsecond\r\n");
}

TEST(ErrorLogTest, ALogThatCannotBeWrittenIsSkippedSilently) {
  TempDir dir;
  AppendLogEntry(dir / "missing/zendrel.ERR", "entry\r\n");
  EXPECT_FALSE(testing_support::Exists(dir / "missing/zendrel.ERR"));
}

TEST(ErrorLogTest, TheLogLiesBesideTheExecutableWithTheExtensionErr) {
  const std::string executable = platform::ExecutablePath();
  const std::string log = ErrorLog();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log.substr(log.size() - 4), ".ERR");
  const std::string stem = log.substr(0, log.size() - 4);
  EXPECT_EQ(executable.compare(0, stem.size(), stem), 0);
  EXPECT_EQ(executable.find(platform::PathSeparator(), stem.size()), std::string::npos);
}

TEST(ErrorLogTest, TheDateAndTimeAreWritten) {
  const std::string text = LocalDateTimeText();
  EXPECT_GE(text.size(), 8u);
  EXPECT_NE(text.find_first_of("0123456789"), std::string::npos);
}

}  // namespace
