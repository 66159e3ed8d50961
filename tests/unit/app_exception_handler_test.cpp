// The reporter as the application's exception event: the log entry beside
// the program, the assertion road through the standard message box, the
// dialog's message text, and the entry of an exception that escaped batch
// mode.
#include "errors/app_exception_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "app/common/application.h"
#include "errors/error_classes.h"
#include "errors/error_log.h"
#include "app/window/program.h"
#include "platform/platform.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::MessageRecorder;

// The log beside this test program, and the entries in it (each entry has
// exactly one line that starts with "Exception: ").
std::string Log() {
  return platform::PathExists(ErrorLog()) ? testing_support::ReadFile(ErrorLog()) : std::string();
}

std::size_t EntryCount(const std::string& log) {
  std::size_t count = 0;
  for (std::size_t at = log.find("\r\nException: "); at != std::string::npos;
       at = log.find("\r\nException: ", at + 1)) {
    ++count;
  }
  return count;
}

class ReporterTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::RemoveFile(ErrorLog()); }
  void TearDown() override {
    RemoveErrorReporting();
    platform::RemoveFile(ErrorLog());
  }
};

__attribute__((noinline)) void FailAnAssertion() { throw EAssertionFailed("Assertion failed: ready"); }

TEST(FatalErrorMessageTest, TheDialogMessageIsComposedExactly) {
  EXPECT_EQ(FatalErrorMessage("TMainForm", "std::runtime_error", "Invalid data type for ''",
                              "C:\\Tools\\zendrel.ERR"),
            "An application fatal error has occurred!\nException: Invalid data type for ''\n"
            "Sent by: TMainForm (std::runtime_error)\n"
            "The exception has been logged to C:\\Tools\\zendrel.ERR");
}

TEST_F(ReporterTest, InstallingSetsTheApplicationsExceptionEventAndRemovingClearsIt) {
  InstallErrorReporting();
  EXPECT_TRUE(static_cast<bool>(Application.OnException));
  RemoveErrorReporting();
  EXPECT_FALSE(static_cast<bool>(Application.OnException));
}

TEST_F(ReporterTest, AnAssertionFailureIsLoggedAndShownInTheStandardBox) {
  InstallErrorReporting();
  MessageRecorder recorder;
  try {
    FailAnAssertion();
  } catch (...) {
    Application.HandleException("TMainForm");
  }
  EXPECT_EQ(recorder.Transcript(), "Error|Assertion failed: ready\n");
  const std::string entry = Log();
  ASSERT_EQ(EntryCount(entry), 1u);
  EXPECT_EQ(entry.substr(0, 2), "\r\n");
  const std::string expected_tail = "\r\nException: EAssertionFailed\r\nIn " + platform::ExecutablePath() +
                                    "\r\nAssertion failed: ready\r\n";
  EXPECT_NE(entry.find(expected_tail), std::string::npos) << entry;
  EXPECT_NE(entry.find("Physical Logical  Unit  (######) Routine\r\n"), std::string::npos);
  // The trace of the raise follows the header, one line per entry.
  EXPECT_GE(std::count(entry.begin(), entry.end(), '\n'), 8);
}

TEST_F(ReporterTest, EachReportAddsOneEntry) {
  InstallErrorReporting();
  MessageRecorder recorder;
  for (int i = 0; i < 3; ++i) {
    try {
      FailAnAssertion();
    } catch (...) {
      Application.HandleException("TApplication");
    }
  }
  EXPECT_EQ(EntryCount(Log()), 3u);
  EXPECT_EQ(recorder.shown().size(), 3u);
}

TEST_F(ReporterTest, AnExceptionThatEscapedBatchModeIsLoggedWithItsTrace) {
  InstallErrorReporting();
  try {
    throw std::runtime_error("");
  } catch (const std::exception& error) {
    LogEscapedException(error);
  }
  const std::string entry = Log();
  ASSERT_EQ(EntryCount(entry), 1u);
  // The empty message keeps its line.
  EXPECT_NE(entry.find("\r\nException: std::runtime_error\r\nIn " + platform::ExecutablePath() + "\r\n\r\n"),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("Stack trace:\r\n"), std::string::npos);
}

}  // namespace
