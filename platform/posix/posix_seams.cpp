// Message boxes become console messages; the shell is xdg-open; commands
// start detached so that the program never waits for a browser.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/seams_internal.h"
#include "platform/terminal.h"

namespace platform::internal {
namespace {

// WinExec's and ShellExecute's answers: below 32 is a failure.
constexpr int kStarted = 33;
constexpr int kFileNotFound = 2;

bool IsExecutable(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Whether the first word of a command line names a program that exists.
bool ProgramExists(const std::string& command_line) {
  std::istringstream words(command_line);
  std::string program;
  if (!(words >> program)) return false;
  if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
    program = program.substr(1, program.size() - 2);
  if (program.find('/') != std::string::npos) return IsExecutable(program);
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (IsExecutable((dir.empty() ? "." : dir) + "/" + program)) return true;
  }
  return false;
}

// Starts argv detached (double fork, new session) and reports whether the
// exec itself succeeded, without waiting for the program to end.
bool SpawnDetached(const std::vector<std::string>& args) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    return false;
  }
  if (child == 0) {
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    const int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    const char failed = 1;
    (void)!::write(pipe_fds[1], &failed, 1);
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  char failed = 0;
  ssize_t n;
  do {
    n = ::read(pipe_fds[0], &failed, 1);
  } while (n < 0 && errno == EINTR);
  ::close(pipe_fds[0]);
  return n == 0;  // the pipe closed on a successful exec
}

}  // namespace

MessageAnswer SystemShowMessage(const MessageRequest& request) { return ShowConsoleMessage(request); }

int SystemShellOpen(const std::string& target, const std::string& /*verb*/) {
  if (!ProgramExists("xdg-open")) return kFileNotFound;
  // xdg-open cannot report a missing file once detached; check it here as
  // the Windows shell does.
  if (target.find(':') == std::string::npos) {
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) return kFileNotFound;
  }
  return SpawnDetached({"xdg-open", target}) ? kStarted : kFileNotFound;
}

int SystemStartCommand(const std::string& command_line) {
  if (!ProgramExists(command_line)) return kFileNotFound;
  return SpawnDetached({"/bin/sh", "-c", command_line}) ? kStarted : kFileNotFound;
}

}  // namespace platform::internal

namespace platform::internal {

// The Linux build has no windows; nothing can be chosen.
bool SystemRunFileDialog(FileDialogRequest& /*request*/) { return false; }

// Without a system mail interface the mail goes by its "mailto:" URL.
bool SystemSendMail(const std::string& /*address*/, const std::string& /*subject*/,
                    const std::string& /*body*/) {
  return false;
}

}  // namespace platform::internal
