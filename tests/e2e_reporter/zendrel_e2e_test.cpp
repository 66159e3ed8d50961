// The reporter in the real program, under wine, driven by a failure a user
// can cause: the HTML open command in the registry holds a number instead of
// a text, and the manual is missing beside the program, so pressing Help
// makes the document launcher read that value and raise "Invalid data type
// for ''". The exception reaches the wizard's exception event; the test
// reads the "Application error" dialog and presses Continue or Terminate.
#include <cstdlib>
#include <string>

#include "tests/e2e_reporter/program_beside_side_file.h"
#include "tests/support/win32/html_open_command_guard.h"
#include "zendrel_version.h"

namespace {

using namespace reporter_e2e;
using testing_support::AnswerDialog;
using testing_support::DialogItemText;

constexpr int kHelpBtn = 103;

BOOL CALLBACK MatchChild(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<HWND*>(param);
  if (GetDlgCtrlID(window) != kHelpBtn) return TRUE;
  *found = window;
  return FALSE;
}

// The built program, or the one that $ZENDREL_PROGRAM_UNDER_TEST names (the
// setup program's test points it at the installed, stripped copy).
std::string ProgramUnderTest() {
  const char* chosen = std::getenv("ZENDREL_PROGRAM_UNDER_TEST");
  return chosen && *chosen ? chosen : ZENDREL_EXE;
}

class ZendrelReporterTest : public ProgramBesideSideFile {
 protected:
  ZendrelReporterTest() : ProgramBesideSideFile(ProgramUnderTest(), "zendrel") {}
  void SetUp() override {
    // The unnamed value of the HTML open command holds a number; the program
    // runs with its side file, without the manual.
    const DWORD number = 1;
    ASSERT_TRUE(registry_.Set(REG_DWORD, &number, sizeof number));
    ASSERT_NO_FATAL_FAILURE(StartProgram("TMainForm", ""));
    EnumChildWindows(window_, &MatchChild, reinterpret_cast<LPARAM>(&help_));
    ASSERT_NE(help_, nullptr);
  }
  // Presses Help as a person does; returns the error dialog it brings.
  HWND PressHelp() {
    PostMessageA(help_, BM_CLICK, 0, 0);
    return WaitForErrorDialog();
  }
  bool StillAnswers() {
    char title[256] = "";
    DWORD_PTR length = 0;
    return SendMessageTimeoutA(window_, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title),
                               SMTO_ABORTIFHUNG, 10000, &length) != 0 &&
           std::string(title) == "Quelto Zendrel " ZENDREL_VERSION;
  }
  testing_support::HtmlOpenCommandGuard registry_;
  HWND help_ = nullptr;
};

TEST_F(ZendrelReporterTest, HelpWithABrokenOpenCommandIsReportedAndContinueGoesOn) {
  HWND dialog = PressHelp();
  ASSERT_NE(dialog, nullptr);
  const std::string message = DialogItemText(dialog, kMessage);
  const std::string report = DialogItemText(dialog, kReport);
  EXPECT_EQ(message,
            "An application fatal error has occurred!\nException: Invalid data type for ''\n"
            "Sent by: TBitBtn (ERegistryException)\n"
            "The exception has been logged to " +
                (dir_ / "zendrel.ERR"));
  // The side file beside the program names our own units and routines: the
  // raise in the document launcher, reached from the Help button's handler.
  ASSERT_EQ(report.rfind(kHeader, 0), 0u) << report;
  const std::size_t first_end = report.find("\r\n", kHeader.size());
  const std::string first = report.substr(kHeader.size(), first_end - kHeader.size());
  EXPECT_NE(first.find(") document_launching.GetBrowserCommand"), std::string::npos) << report;
  EXPECT_NE(report.find(") document_launching.OpenManual(TStartUp const&)\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("main_form.cpp ("), std::string::npos) << report;
  EXPECT_NE(report.find(") main_form.TMainForm::OnClick(int)\r\n"), std::string::npos) << report;

  AnswerDialog(dialog, kContinue);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(StillAnswers());

  // The program goes on: Help fails the same way again, and is reported again.
  dialog = PressHelp();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(DialogItemText(dialog, kReport), report);
  AnswerDialog(dialog, kContinue);
  EXPECT_TRUE(StillAnswers());

  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
  const std::string log = Log();
  EXPECT_EQ(Count(log, "\r\nException: ERegistryException\r\nIn " + exe_ +
                           "\r\nInvalid data type for ''\r\n" + report + "\r\n"),
            2u)
      << log;
  EXPECT_EQ(Count(log, "\r\nException: "), 2u);
}

TEST_F(ZendrelReporterTest, TerminateEndsTheProgramWithExitCodeOne) {
  HWND dialog = PressHelp();
  ASSERT_NE(dialog, nullptr);
  AnswerDialog(dialog, kTerminate);
  EXPECT_EQ(ExitCode(), 1u);
  EXPECT_EQ(Count(Log(), "\r\nException: ERegistryException\r\n"), 1u);
}

}  // namespace
