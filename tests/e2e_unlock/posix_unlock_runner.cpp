#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/e2e_unlock/unlock_runner.h"
#include "tests/support/temp_dir.h"

std::string UnlockProgram() { return ZENDREL_UNLOCK_EXE; }

UnlockRun RunUnlock(const std::string& program, const std::vector<std::string>& arguments) {
  testing_support::TempDir io;
  const std::string err_path = io / "stderr", out_path = io / "stdout";
  const pid_t child = fork();
  if (child == 0) {
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    dup2(out, 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing_support::ReadFile(err_path),
          testing_support::ReadFile(out_path)};
}
