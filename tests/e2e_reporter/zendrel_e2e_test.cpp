// The reporter in the real program, under wine, driven by a failure a user
// can cause: the HTML open command in the registry holds a number instead of
// a text, and the manual is missing beside the program, so pressing Help
// makes the document launcher read that value and raise "Invalid data type
// for ''". The exception reaches the wizard's exception event; the test
// reads the "Application error" dialog and presses Continue or Terminate.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

constexpr int kHelpBtn = 103;
constexpr int kTerminate = 1003, kContinue = 1004, kReport = 1000, kMessage = 1010;
const char kCommandKey[] = "htmlfile\\shell\\open\\command";
const std::string kHeader = "Stack trace:\r\nPhysical Logical  Unit  (######) Routine\r\n";

// The built program's path, with `extension` for its own, as wine sees it.
std::string Built(const std::string& extension) {
  std::string path = ZENDREL_EXE;
  path = path.substr(0, path.size() - 4) + extension;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Gives the unnamed value of the HTML open command a number for the length
// of a test, and puts back what was there.
class WrongTypeOfOpenCommand {
 public:
  WrongTypeOfOpenCommand() {
    DWORD disposition = 0;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                    &disposition);
    created_ = disposition == REG_CREATED_NEW_KEY;
    DWORD size = sizeof saved_;
    had_value_ = RegQueryValueExA(key_, nullptr, nullptr, &saved_type_, saved_, &size) == ERROR_SUCCESS;
    saved_size_ = size;
    const DWORD number = 1;
    RegSetValueExA(key_, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  }
  ~WrongTypeOfOpenCommand() {
    if (had_value_) {
      RegSetValueExA(key_, nullptr, 0, saved_type_, saved_, saved_size_);
    } else {
      RegDeleteValueA(key_, nullptr);
    }
    RegCloseKey(key_);
    if (created_) RegDeleteKeyA(HKEY_CLASSES_ROOT, kCommandKey);
  }

 private:
  HKEY key_ = nullptr;
  bool created_ = false;
  bool had_value_ = false;
  DWORD saved_type_ = 0;
  BYTE saved_[2048] = {};
  DWORD saved_size_ = 0;
};

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
      (search->title.empty() || search->title == title)) {
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

BOOL CALLBACK MatchChild(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<HWND*>(param);
  if (GetDlgCtrlID(window) != kHelpBtn) return TRUE;
  *found = window;
  return FALSE;
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

class ZendrelReporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program and its side file, without the manual.
    ASSERT_TRUE(CopyFileA(Built(".exe").c_str(), exe_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(Built(".RLI").c_str(), (dir_ / "zendrel.RLI").c_str(), FALSE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = "\"" + exe_ + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir_.path().c_str(), &startup, &process_));
    window_ = WaitForWindow(process_.dwProcessId, "TMainForm", "");
    ASSERT_NE(window_, nullptr);
    EnumChildWindows(window_, &MatchChild, reinterpret_cast<LPARAM>(&help_));
    ASSERT_NE(help_, nullptr);
  }
  void TearDown() override {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }
  // Presses Help as a person does; returns the error dialog it brings.
  HWND PressHelp() {
    PostMessageA(help_, BM_CLICK, 0, 0);
    return WaitForWindow(process_.dwProcessId, "#32770", "Application error");
  }
  void Answer(HWND dialog, int button) {
    PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(100);
  }
  bool StillAnswers() {
    char title[256] = "";
    DWORD_PTR length = 0;
    return SendMessageTimeoutA(window_, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title),
                               SMTO_ABORTIFHUNG, 10000, &length) != 0 &&
           std::string(title) == "Quelto Zendrel 1.11.0";
  }
  DWORD ExitCode() {
    WaitForSingleObject(process_.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  std::string Log() { return testing_support::ReadFile(dir_ / "zendrel.ERR"); }

  WrongTypeOfOpenCommand registry_;
  testing_support::TempDir dir_;
  std::string exe_ = dir_ / "zendrel.exe";
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  HWND help_ = nullptr;
};

TEST_F(ZendrelReporterTest, HelpWithABrokenOpenCommandIsReportedAndContinueGoesOn) {
  HWND dialog = PressHelp();
  ASSERT_NE(dialog, nullptr);
  const std::string message = ItemText(dialog, kMessage);
  const std::string report = ItemText(dialog, kReport);
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
  EXPECT_NE(report.find(") document_launching.OpenManual()\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("main_form.cpp ("), std::string::npos) << report;
  EXPECT_NE(report.find(") main_form.TMainForm::OnClick(int)\r\n"), std::string::npos) << report;

  Answer(dialog, kContinue);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(StillAnswers());

  // The program goes on: Help fails the same way again, and is reported again.
  dialog = PressHelp();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ItemText(dialog, kReport), report);
  Answer(dialog, kContinue);
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
  Answer(dialog, kTerminate);
  EXPECT_EQ(ExitCode(), 1u);
  EXPECT_EQ(Count(Log(), "\r\nException: ERegistryException\r\n"), 1u);
}

}  // namespace
