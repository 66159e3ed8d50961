// On Windows the test finds the program's message boxes among the top-level
// windows of its process, reads caption and text, and presses a button.
#include <windows.h>

#include <set>

#include "tests/e2e_batch/program_runner.h"
#include "tests/support/win32/child_process.h"
#include "tests/support/win32/process_windows.h"
#include "tests/support/win32/wine_paths.h"

std::string BuiltProgram() { return testing_support::WinePath(ZENDREL_EXE); }

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& cwd, bool answer_yes) {
  std::string command = "\"" + program + "\"";
  for (const auto& a : arguments) command += " \"" + a + "\"";
  ProgramRun run;
  testing_support::ChildProcess process;
  if (!process.Start(command, cwd)) return run;
  const DWORD deadline = GetTickCount() + 120000;
  std::set<HWND> answered;
  while (!process.WaitForEnd(100) && GetTickCount() < deadline) {
    // A message box of any caption.
    HWND box = testing_support::FindProcessWindow(process.id(), "#32770", "");
    if (!box || answered.count(box)) continue;
    // The box's text is its static control 0xFFFF.
    const std::string text = testing_support::WindowText(GetDlgItem(box, 0xFFFF));
    run.messages.push_back(testing_support::WindowText(box) + "|" + text);
    answered.insert(box);
    int button = IDOK;
    if (GetDlgItem(box, IDYES)) button = answer_yes ? IDYES : IDNO;
    SendMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
  }
  process.EndIfRunning();
  run.exit_code = static_cast<int>(process.ExitCode(0));
  return run;
}
