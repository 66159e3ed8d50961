// The program runs in a session of its own, so it has no terminal to ask.
#include "tests/e2e_cli/cli_runner.h"
#include "tests/support/posix/child_process.h"
#include "tests/support/temp_dir.h"

std::string CliProgram() { return ZENDREL_CLI_EXE; }
std::string BuiltTemplates() { return ZENDREL_TEMPLATES_DIR; }

CliRun RunCli(const std::string& program, const std::vector<std::string>& arguments, const std::string& cwd,
              const CliInput& input) {
  testing_support::TempDir io;
  const std::string in_path = io / "stdin", out_path = io / "stdout", err_path = io / "stderr";
  testing_support::WriteFile(in_path, input.standard_input);
  const testing_support::ChildEnd end = testing_support::RunWithFiles(
      program, arguments, cwd, {in_path, out_path, err_path}, input.environment);
  return {end.exit_code, testing_support::ReadFile(out_path), testing_support::ReadFile(err_path)};
}
