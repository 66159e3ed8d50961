// The terminal on POSIX: isatty, /dev/tty with termios for a hidden line,
// and sigaction for Ctrl-C.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>

#include "platform/terminal.h"

namespace platform {
namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler sets it");

// The first interrupt sets the flag; the next one ends the process as if it
// had never been caught, so a program that stopped polling can still be
// stopped.
void OnInterrupt(int signal_number) {
  if (interrupted.exchange(true)) {
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
  }
}

void WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    length -= static_cast<std::size_t>(n);
  }
}

// Puts the terminal's echo back when the read ends, however it ends.
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (::tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    // TCSANOW: what was typed after the line stays for the next read.
    if (active_) ::tcsetattr(fd_, TCSANOW, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

}  // namespace

bool IsTerminal(StandardStream stream) {
  const int fd = stream == StandardStream::Input ? 0 : stream == StandardStream::Output ? 1 : 2;
  return ::isatty(fd) == 1;
}

TerminalRead ReadTerminalLine(const std::string& prompt, bool echo, std::string* line, std::string* utf8) {
  line->clear();
  const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return TerminalRead::NoTerminal;
  TerminalRead outcome = TerminalRead::Ended;
  {
    // Echo goes off before the prompt shows, so nothing typed after it is
    // ever shown.
    std::optional<EchoOff> hidden;
    if (!echo) hidden.emplace(tty);
    WriteStandardError(prompt);
    for (;;) {
      // A Ctrl-C that came before the read began would not end it: the read
      // waits a quarter second at most, and the flag is looked at between.
      if (interrupted.load()) {
        outcome = TerminalRead::Interrupted;
        break;
      }
      pollfd ready{tty, POLLIN, 0};
      const int polled = ::poll(&ready, 1, 250);
      if (polled < 0 && errno != EINTR) break;
      if (polled <= 0) continue;
      char c;
      const ssize_t n = ::read(tty, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      if (c == '\n') {
        outcome = TerminalRead::Ok;
        break;
      }
      line->push_back(c);
    }
  }
  if (!echo) WriteStandardError("\n");
  ::close(tty);
  if (outcome != TerminalRead::Ok) line->clear();
  if (utf8) *utf8 = *line;
  return outcome;
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal_number, &action, nullptr);
}

bool Interrupted() { return interrupted.load(); }

void WriteStandardError(const std::string& text) { WriteAll(2, text.data(), text.size()); }

void WriteStandardOutput(const std::string& text) { WriteAll(1, text.data(), text.size()); }

}  // namespace platform
