#include "tests/support/posix/child_process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace testing_support {

namespace {

void Redirect(const std::string& path, int flags, int fd) {
  if (path.empty()) return;
  const int opened = open(path.c_str(), flags, 0644);
  dup2(opened, fd);
}

}  // namespace

ChildEnd RunWithFiles(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& cwd, const StandardFiles& files,
                      const std::vector<std::pair<std::string, std::string>>& environment) {
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    Redirect(files.input, O_RDONLY, 0);
    Redirect(files.output, O_WRONLY | O_CREAT | O_TRUNC, 1);
    Redirect(files.error, O_WRONLY | O_CREAT | O_TRUNC, 2);
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ChildEnd end;
  if (child < 0) return end;
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  end.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  end.peak_memory = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  return end;
}

}  // namespace testing_support
