// Under wine the program runs as a Windows console process without a
// console, its standard handles inherited files.
#include <windows.h>

#include "tests/e2e_cli/cli_runner.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/child_process.h"
#include "tests/support/win32/wine_paths.h"

std::string CliProgram() { return testing_support::WinePath(ZENDREL_CLI_EXE); }
std::string BuiltTemplates() { return testing_support::WinePath(ZENDREL_TEMPLATES_DIR); }

CliRun RunCli(const std::string& program, const std::vector<std::string>& arguments, const std::string& cwd,
              const CliInput& input) {
  testing_support::TempDir io;
  const std::string in_path = io / "stdin", out_path = io / "stdout", err_path = io / "stderr";
  testing_support::WriteFile(in_path, input.standard_input);
  // The child inherits this process's environment, with the variables
  // added for its lifetime.
  for (const auto& [name, value] : input.environment) SetEnvironmentVariableA(name.c_str(), value.c_str());
  CliRun run;
  run.exit_code = testing_support::RunWithFiles(program, arguments, cwd, {in_path, out_path, err_path});
  for (const auto& [name, value] : input.environment) SetEnvironmentVariableA(name.c_str(), nullptr);
  run.out = testing_support::ReadFile(out_path);
  run.err = testing_support::ReadFile(err_path);
  return run;
}
