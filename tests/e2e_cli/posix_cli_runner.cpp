// The program runs in a session of its own, so it has no terminal to ask.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/e2e_cli/cli_runner.h"
#include "tests/support/temp_dir.h"

std::string CliProgram() { return ZENDREL_CLI_EXE; }
std::string BuiltTemplates() { return ZENDREL_TEMPLATES_DIR; }

CliRun RunCli(const std::string& program, const std::vector<std::string>& arguments, const std::string& cwd,
              const CliInput& input) {
  testing_support::TempDir io;
  const std::string in_path = io / "stdin", out_path = io / "stdout", err_path = io / "stderr";
  testing_support::WriteFile(in_path, input.standard_input);
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    if (chdir(cwd.c_str()) != 0) _exit(126);
    const int in = open(in_path.c_str(), O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (const auto& [name, value] : input.environment) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing_support::ReadFile(out_path),
          testing_support::ReadFile(err_path)};
}
