// The reporter end to end: reporter_target runs as its own process beside its
// side file in a fresh folder; the test presses its buttons, finds the
// "Application error" dialog of that process, reads the message and the
// report, and presses Continue or Terminate as a person would.
#include <string>

#include "tests/e2e_reporter/program_beside_side_file.h"
#include "tests/e2e_reporter/reporter_target_ids.h"

namespace {

using namespace reporter_e2e;
using namespace reporter_target;
using testing_support::AnswerDialog;
using testing_support::DialogItemText;

// The line of the report that follows the header: the most recent frame.
std::string FirstTraceLine(const std::string& report) {
  const std::size_t start = report.find(kHeader);
  if (start == std::string::npos) return "";
  const std::size_t from = start + kHeader.size();
  return report.substr(from, report.find("\r\n", from) - from);
}

class ReporterEndToEndTest : public ProgramBesideSideFile {
 protected:
  ReporterEndToEndTest() : ProgramBesideSideFile(REPORTER_TARGET, "reporter_target") {}
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartProgram(kWindowClass, kWindowTitle)); }

  // Presses one of the target's buttons; returns its error dialog.
  HWND Press(int button) {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, button)));
    return WaitForErrorDialog();
  }
  bool StillAnswers() {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window_, kPing, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer) != 0 &&
           answer == static_cast<DWORD_PTR>(kPingAnswer);
  }
};

TEST_F(ReporterEndToEndTest, AThrowInAHandlerIsReportedAndContinueGoesOn) {
  HWND dialog = Press(kThrowButton);
  ASSERT_NE(dialog, nullptr);
  const std::string message = DialogItemText(dialog, kMessage);
  const std::string report = DialogItemText(dialog, kReport);
  EXPECT_EQ(message,
            "An application fatal error has occurred!\nException: Invalid data type for ''\n"
            "Sent by: TTargetForm (std::runtime_error)\n"
            "The exception has been logged to " +
                (dir_ / "reporter_target.ERR"));
  // The side file lies beside the program: the report names our own unit,
  // source and routine for the frame that threw.
  EXPECT_EQ(report.rfind(kHeader, 0), 0u) << report;
  const std::string first = FirstTraceLine(report);
  EXPECT_NE(first.find("reporter_target.ThrowingButtonClick"), std::string::npos) << report;
  EXPECT_NE(first.find("reporter_target.cpp ("), std::string::npos) << report;
  EXPECT_NE(report.find("reporter_target.TargetWindowProc"), std::string::npos) << report;

  AnswerDialog(dialog, kContinue);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(StillAnswers());

  // The same window fails again, by a fault this time, and goes on again.
  dialog = Press(kFaultButton);
  ASSERT_NE(dialog, nullptr);
  const std::string fault_message = DialogItemText(dialog, kMessage);
  const std::string fault_report = DialogItemText(dialog, kReport);
  EXPECT_NE(fault_message.find("Exception: Access violation at address "), std::string::npos)
      << fault_message;
  EXPECT_NE(fault_message.find(". Write of address 00000010\nSent by: TTargetForm (EAccessViolation)\n"),
            std::string::npos)
      << fault_message;
  const std::string fault_first = FirstTraceLine(fault_report);
  EXPECT_NE(fault_first.find("reporter_target.FaultingButtonClick"), std::string::npos) << fault_report;
  // The fault address opens the trace and is the one the message names.
  EXPECT_NE(fault_message.find("at address " + fault_first.substr(0, 8)), std::string::npos);
  AnswerDialog(dialog, kContinue);
  EXPECT_TRUE(StillAnswers());

  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
  const std::string log = Log();
  EXPECT_EQ(Count(log, "\r\nException: "), 2u) << log;
  EXPECT_NE(log.find("\r\nException: std::runtime_error\r\nIn " + exe_ + "\r\nInvalid data type for ''\r\n" +
                     report + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\r\nException: EAccessViolation\r\nIn " + exe_ + "\r\n"), std::string::npos);
}

TEST_F(ReporterEndToEndTest, TerminateEndsTheProgramWithExitCodeOne) {
  HWND dialog = Press(kThrowButton);
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(DialogItemText(dialog, kReport).find("reporter_target.ThrowingButtonClick"), std::string::npos);
  AnswerDialog(dialog, kTerminate);
  EXPECT_EQ(ExitCode(), 1u);
  EXPECT_EQ(Count(Log(), "\r\nException: "), 1u);
}

TEST_F(ReporterEndToEndTest, EscapeAndTheCloseCommandLeaveTheDialogOpen) {
  HWND dialog = Press(kThrowButton);
  ASSERT_NE(dialog, nullptr);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  Sleep(500);
  EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog));
  EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, kSend)), kSend);
  AnswerDialog(dialog, kContinue);
  EXPECT_TRUE(StillAnswers());
}

}  // namespace
