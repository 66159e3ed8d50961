// Under wine the program runs as a Windows console process without a
// console, its standard output and error inherited files.
#include <windows.h>

#include "tests/e2e_unlock/unlock_runner.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/child_process.h"
#include "tests/support/win32/wine_paths.h"

std::string UnlockProgram() { return testing_support::WinePath(ZENDREL_UNLOCK_EXE); }
std::string TerminalProgram() { return testing_support::WinePath(ZENDREL_TERMINAL_EXE); }

UnlockRun RunUnlock(const std::string& program, const std::vector<std::string>& arguments,
                    const UnlockInput& input) {
  testing_support::TempDir io;
  const std::string err_path = io / "stderr", out_path = io / "stdout";
  UnlockRun run;
  // The child inherits this process's environment.
  for (const auto& [name, value] : input.environment) SetEnvironmentVariableA(name.c_str(), value.c_str());
  run.exit_code =
      testing_support::RunWithFiles(program, arguments, "", {input.stdin_file, out_path, err_path},
                                    input.utf8_arguments ? CP_UTF8 : CP_ACP);
  for (const auto& [name, value] : input.environment) SetEnvironmentVariableA(name.c_str(), nullptr);
  run.errors = testing_support::ReadFile(err_path);
  run.output = testing_support::ReadFile(out_path);
  return run;
}
