// The "Application error" dialog as a person meets it: a second thread finds
// the real dialog, reads what it shows and presses its buttons, while the
// test waits in ShowErrorDialog or in the application's exception event.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/common/application.h"
#include "errors/app_exception_handler.h"
#include "errors/bug_report_mail.h"
#include "errors/error_log.h"
#include "app/window/program.h"
#include "errors/stack_capture.h"
#include "errors/win32/image_hooks.h"
#include "platform/platform.h"
#include "resources/error_dialog_ids.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/process_windows.h"

namespace {

using testing_support::DialogItemText;

// Only this process's dialog: other test programs may show theirs meanwhile.
HWND WaitForDialog() {
  return testing_support::WaitForProcessWindow(GetCurrentProcessId(), "#32770", "Application error", 20000,
                                               50);
}

// The rectangle of control `id` in dialog units, from its pixels.
RECT ControlRect(HWND dialog, int id) {
  RECT pixels{};
  GetWindowRect(GetDlgItem(dialog, id), &pixels);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&pixels), 2);
  RECT unit{0, 0, 4, 8};
  MapDialogRect(dialog, &unit);
  return RECT{MulDiv(pixels.left, 4, unit.right), MulDiv(pixels.top, 8, unit.bottom),
              MulDiv(pixels.right - pixels.left, 4, unit.right),
              MulDiv(pixels.bottom - pixels.top, 8, unit.bottom)};
}

LONG Style(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

// Runs `act` on the dialog from a second thread; the result of `show` is
// what the dialog answered.
class DialogClicker {
 public:
  explicit DialogClicker(std::function<void(HWND)> act)
      : thread_([this, act] {
          HWND dialog = WaitForDialog();
          found_ = dialog != nullptr;
          if (found_) act(dialog);
        }) {}
  ~DialogClicker() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  bool found() const { return found_; }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

TEST(ErrorDialogTest, ItShowsBothTextsInItsLayoutAndContinueAnswersZero) {
  std::string message, report, face;
  LONG font_height = 0;
  LONG dialog_style = 0, report_style = 0, icon_style = 0;
  bool icon_set = false, escape_ignored = false, send_is_default = false, send_has_focus = false;
  RECT report_rect{}, message_rect{}, icon_rect{}, send_rect{}, terminate_rect{}, continue_rect{};
  std::string send_text, terminate_text, continue_text;
  DialogClicker clicker([&](HWND dialog) {
    message = DialogItemText(dialog, IDC_ERROR_MESSAGE);
    report = DialogItemText(dialog, IDC_ERROR_REPORT);
    send_text = DialogItemText(dialog, IDC_SEND_BUGREPORT);
    terminate_text = DialogItemText(dialog, IDC_TERMINATE);
    continue_text = DialogItemText(dialog, IDC_CONTINUE);
    const HFONT font =
        reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, IDC_ERROR_REPORT, WM_GETFONT, 0, 0));
    LOGFONTA logfont{};
    if (font != nullptr && GetObjectA(font, sizeof logfont, &logfont) != 0) {
      face = logfont.lfFaceName;
      font_height = logfont.lfHeight;
    }
    dialog_style = Style(dialog);
    report_style = Style(GetDlgItem(dialog, IDC_ERROR_REPORT));
    icon_style = Style(GetDlgItem(dialog, IDI_ERROR_REPORT));
    icon_set = SendDlgItemMessageA(dialog, IDI_ERROR_REPORT, STM_GETICON, 0, 0) != 0;
    report_rect = ControlRect(dialog, IDC_ERROR_REPORT);
    message_rect = ControlRect(dialog, IDC_ERROR_MESSAGE);
    icon_rect = ControlRect(dialog, IDI_ERROR_REPORT);
    send_rect = ControlRect(dialog, IDC_SEND_BUGREPORT);
    terminate_rect = ControlRect(dialog, IDC_TERMINATE);
    continue_rect = ControlRect(dialog, IDC_CONTINUE);
    send_is_default = LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)) == IDC_SEND_BUGREPORT;
    // The dialog may be found before its thread has set the focus: a busy
    // machine gets a while for it.
    for (int tries = 0; tries < 100 && !send_has_focus; ++tries) {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info))
        send_has_focus = info.hwndFocus == GetDlgItem(dialog, IDC_SEND_BUGREPORT);
      if (!send_has_focus) Sleep(20);
    }
    // Escape does nothing: the dialog stays.
    Press(dialog, IDCANCEL);
    Sleep(300);
    escape_ignored = IsWindow(dialog) && IsWindowVisible(dialog);
    Press(dialog, IDC_CONTINUE);
  });
  const int result = ShowErrorDialog(0, "First line\nSecond line", "Stack trace:\r\nPhysical Logical");
  clicker.Join();
  ASSERT_TRUE(clicker.found());
  EXPECT_EQ(result, 0);
  EXPECT_EQ(message, "First line\nSecond line");
  EXPECT_EQ(report, "Stack trace:\r\nPhysical Logical");
  EXPECT_EQ(face, "Courier New");
  EXPECT_EQ(font_height, -10);
  EXPECT_EQ(send_text, "Send bugreport...");
  EXPECT_EQ(terminate_text, "Terminate the application");
  EXPECT_EQ(continue_text, "Continue execution");
  EXPECT_TRUE(send_is_default);
  EXPECT_TRUE(send_has_focus);
  EXPECT_TRUE(escape_ignored);
  EXPECT_TRUE(icon_set);
  EXPECT_EQ(dialog_style & WS_SYSMENU, 0);
  EXPECT_EQ(dialog_style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(
      report_style & (ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL | WS_VSCROLL),
      ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL | WS_VSCROLL);
  EXPECT_EQ(report_style & WS_TABSTOP, 0);
  EXPECT_EQ(icon_style & SS_TYPEMASK, SS_ICON);
  auto placed = [](const RECT& r, int x, int y, int w, int h) {
    return std::abs(r.left - x) <= 1 && std::abs(r.top - y) <= 1 && std::abs(r.right - w) <= 1 &&
           std::abs(r.bottom - h) <= 1;
  };
  EXPECT_TRUE(placed(report_rect, 7, 75, 306, 74));
  EXPECT_TRUE(placed(message_rect, 43, 7, 270, 47));
  EXPECT_TRUE(placed(send_rect, 7, 55, 100, 16));
  EXPECT_TRUE(placed(terminate_rect, 110, 55, 100, 16));
  EXPECT_TRUE(placed(continue_rect, 213, 55, 100, 16));
  EXPECT_EQ(icon_rect.left, 7);
  EXPECT_EQ(icon_rect.top, 7);
}

TEST(ErrorDialogTest, TerminateAnswersOne) {
  DialogClicker clicker([](HWND dialog) { Press(dialog, IDC_TERMINATE); });
  EXPECT_EQ(ShowErrorDialog(0, "m", "r"), 1);
  EXPECT_TRUE(clicker.found());
}

std::vector<std::string> mailed_bodies;
bool RefuseMail(const std::string& /*address*/, const std::string& /*subject*/, const std::string& body) {
  mailed_bodies.push_back(body);
  return false;
}

TEST(ErrorDialogTest, SendKeepsTheDialogOpenAndEachPressSends) {
  mailed_bodies.clear();
  platform::ScopedMailHandler mailer(&RefuseMail);
  std::vector<std::string> opened;
  platform::ScopedShellHandler shell(
      [&](const std::string& target, const std::string&) {
        opened.push_back(target);
        return 42;
      },
      [](const std::string&) { return 42; });
  bool open_after_send = false;
  DialogClicker clicker([&](HWND dialog) {
    Press(dialog, IDC_SEND_BUGREPORT);
    Press(dialog, IDC_SEND_BUGREPORT);
    Sleep(500);
    open_after_send = IsWindow(dialog) && IsWindowVisible(dialog);
    Press(dialog, IDC_CONTINUE);
  });
  EXPECT_EQ(ShowErrorDialog(0, "Boom", "Report"), 0);
  EXPECT_TRUE(open_after_send);
  ASSERT_EQ(mailed_bodies.size(), 2u);
  EXPECT_EQ(mailed_bodies[0], "The following error occurred:\r\n\r\nBoom\r\n\r\nReport");
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], BugReportUrl("Boom", "Report"));
}

// What the dialog showed when `fail` failed inside a handler with error
// reporting installed as the program installs it; answered with Continue.
struct ShownError {
  bool found = false;
  std::string message;
  std::string report;
};

ShownError ShowInAHandler(void (*fail)()) {
  platform::RemoveFile(ErrorLog());
  InstallErrorReporting();
  ShownError shown;
  DialogClicker clicker([&](HWND dialog) {
    shown.message = DialogItemText(dialog, IDC_ERROR_MESSAGE);
    shown.report = DialogItemText(dialog, IDC_ERROR_REPORT);
    Press(dialog, IDC_CONTINUE);
  });
  try {
    fail();
  } catch (...) {
    Application.HandleException("TMainForm");
  }
  clicker.Join();
  RemoveErrorReporting();
  shown.found = clicker.found();
  return shown;
}

__attribute__((noinline)) void FailInAHandler() { throw std::runtime_error("Invalid data type for ''"); }

TEST(ErrorDialogTest, AnUnhandledExceptionIsLoggedAndShownAndContinueReturns) {
  const ShownError shown = ShowInAHandler(&FailInAHandler);
  const std::string& message = shown.message;
  const std::string& report = shown.report;
  ASSERT_TRUE(shown.found);
  EXPECT_EQ(message,
            "An application fatal error has occurred!\nException: Invalid data type for ''\n"
            "Sent by: TMainForm (std::runtime_error)\n"
            "The exception has been logged to " +
                ErrorLog());
  EXPECT_EQ(
      report.rfind("(NO RTLI AVAILABLE!)\r\nStack trace:\r\nPhysical Logical  Unit  (######) Routine\r\n", 0),
      0u)
      << report;
  const std::string log = testing_support::ReadFile(ErrorLog());
  EXPECT_NE(log.find("Exception: std::runtime_error\r\nIn " + platform::ExecutablePath() +
                     "\r\nInvalid data type for ''\r\n" + report + "\r\n"),
            std::string::npos);
  platform::RemoveFile(ErrorLog());
}

// A fault inside a handler reaches the dialog like any exception, with the
// fault address first in the trace, and Continue goes on.
volatile std::uintptr_t bad_address = 16;
__attribute__((noinline)) void FaultInAHandler() { *reinterpret_cast<volatile int*>(bad_address) = 1; }

TEST(ErrorDialogTest, AFaultInAHandlerReachesTheDialogWithItsAddressFirst) {
  const ShownError shown = ShowInAHandler(&FaultInAHandler);
  const std::string& message = shown.message;
  const std::string& report = shown.report;
  ASSERT_TRUE(shown.found);
  EXPECT_NE(message.find("Exception: Access violation at address "), std::string::npos) << message;
  EXPECT_NE(message.find("Write of address 00000010\nSent by: TMainForm (EAccessViolation)"),
            std::string::npos);
  const std::string header = "Physical Logical  Unit  (######) Routine\r\n";
  const std::size_t first = report.find(header);
  ASSERT_NE(first, std::string::npos);
  char expected[24];
  std::snprintf(expected, sizeof expected, "%08llX",
                static_cast<unsigned long long>(TraceList.Entries[0].Address));
  EXPECT_EQ(report.substr(first + header.size(), std::strlen(expected)), expected);
  const auto routine = reinterpret_cast<std::uintptr_t>(&FaultInAHandler);
  EXPECT_GT(TraceList.Entries[0].Address, routine);
  EXPECT_LT(TraceList.Entries[0].Address, routine + 64);
  platform::RemoveFile(ErrorLog());
}

}  // namespace
