#include "tests/support/win32/process_windows.h"

namespace testing_support {
namespace {

struct WindowSearch {
  DWORD process;
  const std::string& class_name;
  const std::string& title;
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

}  // namespace

HWND FindProcessWindow(DWORD process, const std::string& class_name, const std::string& title) {
  WindowSearch search{process, class_name, title, nullptr};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForProcessWindow(DWORD process, const std::string& class_name, const std::string& title,
                          DWORD timeout_ms, DWORD poll_ms) {
  for (DWORD waited = 0; waited < timeout_ms; waited += poll_ms) {
    if (HWND found = FindProcessWindow(process, class_name, title)) return found;
    Sleep(poll_ms);
  }
  return nullptr;
}

std::string WindowText(HWND window) {
  char text[16384] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string DialogItemText(HWND dialog, int id) {
  char text[16384] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void AnswerDialog(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(100);
}

}  // namespace testing_support
