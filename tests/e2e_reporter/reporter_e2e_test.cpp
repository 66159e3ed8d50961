// The reporter end to end: reporter_target runs as its own process beside its
// side file in a fresh folder; the test presses its buttons, finds the
// "Application error" dialog of that process, reads the message and the
// report, and presses Continue or Terminate as a person would.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace {

constexpr int kThrowButton = 101;
constexpr int kFaultButton = 102;
constexpr UINT kPing = WM_APP + 1;
constexpr int kSend = 1002, kTerminate = 1003, kContinue = 1004, kReport = 1000, kMessage = 1010;

const std::string kHeader = "Stack trace:\r\nPhysical Logical  Unit  (######) Routine\r\n";

// The built target's path as wine sees it through drive Z:.
std::string BuiltTarget(const std::string& extension) {
  std::string path = REPORTER_TARGET;
  path = path.substr(0, path.size() - 4) + extension;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

struct WindowSearch {
  DWORD process;
  std::string class_name;
  std::string title;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char class_name[128] = "";
  char title[256] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  GetWindowTextA(window, title, sizeof title);
  if (owner == search->process && IsWindowVisible(window) && search->class_name == class_name &&
      search->title == title) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindow(DWORD process, const std::string& class_name, const std::string& title) {
  for (int i = 0; i < 600; ++i) {
    WindowSearch search{process, class_name, title, nullptr};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(100);
  }
  return nullptr;
}

std::string ItemText(HWND dialog, int id) {
  char text[16384] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The line of the report that follows the header: the most recent frame.
std::string FirstTraceLine(const std::string& report) {
  const std::size_t start = report.find(kHeader);
  if (start == std::string::npos) return "";
  const std::size_t from = start + kHeader.size();
  return report.substr(from, report.find("\r\n", from) - from);
}

class ReporterEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CopyFileA(BuiltTarget(".exe").c_str(), exe_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuiltTarget(".RLI").c_str(), (dir_ / "reporter_target.RLI").c_str(), FALSE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = "\"" + exe_ + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir_.path().c_str(), &startup, &process_));
    window_ = WaitForWindow(process_.dwProcessId, "ZendrelReporterTarget", "Reporter target");
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }

  // Presses one of the target's buttons; returns its error dialog.
  HWND Press(int button) {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, button)));
    return WaitForWindow(process_.dwProcessId, "#32770", "Application error");
  }
  void Answer(HWND dialog, int button) {
    PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(100);
  }
  bool StillAnswers() {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window_, kPing, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer) != 0 && answer == 4242;
  }
  DWORD ExitCode() {
    WaitForSingleObject(process_.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  std::string Log() { return testing_support::ReadFile(dir_ / "reporter_target.ERR"); }

  testing_support::TempDir dir_;
  std::string exe_ = dir_ / "reporter_target.exe";
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

TEST_F(ReporterEndToEndTest, AThrowInAHandlerIsReportedAndContinueGoesOn) {
  HWND dialog = Press(kThrowButton);
  ASSERT_NE(dialog, nullptr);
  const std::string message = ItemText(dialog, kMessage);
  const std::string report = ItemText(dialog, kReport);
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

  Answer(dialog, kContinue);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(StillAnswers());

  // The same window fails again, by a fault this time, and goes on again.
  dialog = Press(kFaultButton);
  ASSERT_NE(dialog, nullptr);
  const std::string fault_message = ItemText(dialog, kMessage);
  const std::string fault_report = ItemText(dialog, kReport);
  EXPECT_NE(fault_message.find("Exception: Access violation at address "), std::string::npos)
      << fault_message;
  EXPECT_NE(fault_message.find(". Write of address 00000010\nSent by: TTargetForm (EAccessViolation)\n"),
            std::string::npos)
      << fault_message;
  const std::string fault_first = FirstTraceLine(fault_report);
  EXPECT_NE(fault_first.find("reporter_target.FaultingButtonClick"), std::string::npos) << fault_report;
  // The fault address opens the trace and is the one the message names.
  EXPECT_NE(fault_message.find("at address " + fault_first.substr(0, 8)), std::string::npos);
  Answer(dialog, kContinue);
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
  EXPECT_NE(ItemText(dialog, kReport).find("reporter_target.ThrowingButtonClick"), std::string::npos);
  Answer(dialog, kTerminate);
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
  Answer(dialog, kContinue);
  EXPECT_TRUE(StillAnswers());
}

}  // namespace
