#include "tests/lock_safety/lock_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include "tests/support/lock_fixture.h"

namespace testing_support {

LockInstall::LockInstall() {
  program_ = dir_ / "zendrel";
  std::filesystem::copy_file(ZENDREL_EXE, program_);
  std::filesystem::permissions(program_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
  WriteFile(dir_ / "Templates/Plain/index.html", TemplateStartPage());
  WriteFile(dir_ / "Templates/Plain/zendrel-extra.css", "body{}");
}

pid_t StartLock(const std::string& program, const std::string& cwd,
                const std::vector<std::string>& arguments) {
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    int answer[2];
    if (pipe(answer) != 0 || write(answer[1], "y\n", 2) != 2) _exit(126);
    close(answer[1]);
    dup2(answer[0], 0);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>("Plain")};
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return child;
}

int WaitFor(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool KillMoments::KillAt(pid_t pid, int i) {
  const auto delay = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      run_time_ * (i + 0.5) / count_);
  std::this_thread::sleep_for(delay);
  kill(pid, SIGKILL);
  const bool midway = WaitFor(pid) == -1;
  if (midway)
    ++midway_;
  else
    run_time_ = delay * 9 / 10;
  return midway;
}

void WriteTextPage(const std::string& path, std::size_t size) {
  std::string line;
  std::string page;
  page.reserve(size);
  for (unsigned i = 0; page.size() < size; ++i)
    page += "<p>" + std::to_string(i * 2654435761u) + " the quick brown fox & 'the lazy dog'</p>\r\n";
  page.resize(size);
  WriteFile(path, page);
}

}  // namespace testing_support
