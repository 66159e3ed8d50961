// On Windows the test finds the program's message boxes among the top-level
// windows of its process, reads caption and text, and presses a button.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <set>

#include "tests/e2e_batch/program_runner.h"

std::string BuiltProgram() {
  // The build tree's path, as wine sees it through drive Z:.
  std::string path = ZENDREL_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

namespace {

struct Search {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (owner == search->process && IsWindowVisible(window) && std::string(cls) == "#32770") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

std::string WindowText(HWND window) {
  char text[4096] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& cwd, bool answer_yes) {
  std::string command = "\"" + program + "\"";
  for (const auto& a : arguments) command += " \"" + a + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ProgramRun run;
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &startup,
                      &process)) {
    return run;
  }
  const DWORD deadline = GetTickCount() + 120000;
  std::set<HWND> answered;
  while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT && GetTickCount() < deadline) {
    Search search{process.dwProcessId, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (!search.found || answered.count(search.found)) continue;
    // The box's text is its static control 0xFFFF.
    const std::string text = WindowText(GetDlgItem(search.found, 0xFFFF));
    run.messages.push_back(WindowText(search.found) + "|" + text);
    answered.insert(search.found);
    int button = IDOK;
    if (GetDlgItem(search.found, IDYES)) button = answer_yes ? IDYES : IDNO;
    SendMessageA(GetDlgItem(search.found, button), BM_CLICK, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  run.exit_code = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}
