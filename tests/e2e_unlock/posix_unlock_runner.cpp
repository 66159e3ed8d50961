#include "tests/e2e_unlock/unlock_runner.h"
#include "tests/support/posix/child_process.h"
#include "tests/support/temp_dir.h"

std::string UnlockProgram() { return ZENDREL_UNLOCK_EXE; }
std::string TerminalProgram() { return ZENDREL_TERMINAL_EXE; }

UnlockRun RunUnlock(const std::string& program, const std::vector<std::string>& arguments,
                    const UnlockInput& input) {
  testing_support::TempDir io;
  const std::string err_path = io / "stderr", out_path = io / "stdout";
  const testing_support::ChildEnd end = testing_support::RunWithFiles(
      program, arguments, "", {input.stdin_file, out_path, err_path}, input.environment);
  return {end.exit_code, testing_support::ReadFile(err_path), testing_support::ReadFile(out_path)};
}
