// The terminal program on a real pseudo-terminal, as a person at a terminal
// meets it: the password asked twice and never shown, Ctrl-C, the backup
// question, and no password in any process's command line while a lock
// waits. Linux only.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/e2e_cli/cli_fixture.h"
#include "tests/e2e_cli/cli_runner.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

constexpr char kPage[] = "<html><body><p>typed</p></body></html>";

// The program started on the slave side of a new pseudo-terminal, which is
// its controlling terminal, its standard error and, unless a pipe is asked
// for, its standard input. Standard output goes to a file.
class PtyProgram {
 public:
  PtyProgram(const std::string& program, const Args& arguments, const std::string& cwd,
             bool stdin_pipe = false,
             const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    out_path_ = io_ / "stdout";
    int to_stdin[2] = {-1, -1};
    if (stdin_pipe && pipe(to_stdin) != 0) return;
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      if (chdir(cwd.c_str()) != 0) _exit(126);
      const int out = open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      if (stdin_pipe) {
        dup2(to_stdin[0], 0);
        close(to_stdin[1]);
      }
      for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    if (stdin_pipe) {
      close(to_stdin[0]);
      stdin_ = to_stdin[1];
    }
  }
  ~PtyProgram() {
    if (pid_ > 0 && exit_code_ == kRunning) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
    if (stdin_ >= 0) close(stdin_);
  }

  // Reads what the terminal shows until `text` appears; false after 60 s
  // without it (a hung program, not a timing assumption).
  bool WaitFor(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    // A slow machine may stay silent for a while (the key derivation runs
    // before the backup question): only the deadline or the program's end
    // stops the wait.
    while (screen_.find(text, seen_) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return false;
    }
    seen_ = screen_.find(text, seen_) + text.size();
    return true;
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), ssize_t(keys.size()));
  }
  void WriteStdin(const std::string& bytes) {
    ASSERT_EQ(write(stdin_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(stdin_);
    stdin_ = -1;
  }
  // Waits for the end, reading the terminal to its last byte: a pause (a
  // cancelled run cleaning up on a slow machine) is not the end.
  int Finish() {
    int status = 0;
    while (true) {
      if (ReadSome(1000)) continue;
      if (waitpid(pid_, &status, WNOHANG) == pid_) break;
      usleep(10000);
    }
    while (ReadSome(100)) {
    }
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit_code_;
  }
  // The terminal's echo flag as the program left it.
  bool EchoIsOn() const {
    termios t{};
    return tcgetattr(master_, &t) == 0 && (t.c_lflag & ECHO) != 0;
  }
  const std::string& screen() const { return screen_; }
  std::string out() const { return ReadFile(out_path_); }
  pid_t pid() const { return pid_; }

 private:
  static constexpr int kRunning = -2;

  bool ReadSome(int timeout_ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;  // EIO once the program has ended
    screen_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  TempDir io_;
  std::string out_path_;
  pid_t pid_ = -1;
  int master_ = -1;
  int stdin_ = -1;
  int exit_code_ = kRunning;
  std::string screen_;
  std::size_t seen_ = 0;
};

// Every process's command line whose bytes hold `secret`.
std::vector<std::string> CommandLinesHolding(const std::string& secret) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string line;
    try {
      line = ReadFile(entry.path().string() + "/cmdline");
    } catch (...) {
      continue;  // ended meanwhile
    }
    if (line.find(secret) != std::string::npos) found.push_back(name + ": " + line);
  }
  return found;
}

class TerminalE2E : public CliFixture {};

TEST_F(TerminalE2E, ThePasswordIsAskedTwiceToLockOnceToUnlockAndNeverShown) {
  const std::string secret = "Typed-Secret-4711";
  WriteFile(site_ / "page.html", kPage);
  PtyProgram run(program_, {"lock", "page.html", "backup.html"}, site_.path());
  ASSERT_TRUE(run.WaitFor("Password: ")) << run.screen();
  EXPECT_FALSE(run.EchoIsOn()) << "echo is off while the password is typed";
  run.Type(secret + "\n");
  ASSERT_TRUE(run.WaitFor("Password again: ")) << run.screen();
  run.Type(secret + "\n");
  EXPECT_EQ(run.Finish(), 0) << run.screen();
  EXPECT_EQ(run.screen().find(secret), std::string::npos) << "echoed: " << run.screen();
  EXPECT_TRUE(run.EchoIsOn());
  EXPECT_EQ(run.out(), "page.html\nbackup.html\n");
  EXPECT_TRUE(OpensWith(site_ / "page.html", secret, kPage));

  // Unlocking asks once, and shows nothing either.
  PtyProgram unlock(program_, {"unlock", "page.html", "opened.html"}, site_.path());
  ASSERT_TRUE(unlock.WaitFor("Password: ")) << unlock.screen();
  EXPECT_FALSE(unlock.EchoIsOn());
  unlock.Type(secret + "\n");
  EXPECT_EQ(unlock.Finish(), 0) << unlock.screen();
  EXPECT_EQ(unlock.screen().find("again"), std::string::npos) << unlock.screen();
  EXPECT_EQ(unlock.screen().find(secret), std::string::npos) << "echoed: " << unlock.screen();
  EXPECT_EQ(ReadFile(site_ / "opened.html"), kPage);
}

TEST_F(TerminalE2E, TwoDifferentAnswersLockNothing) {
  WriteFile(site_ / "page.html", kPage);
  PtyProgram run(program_, {"lock", "page.html", "backup.html"}, site_.path());
  ASSERT_TRUE(run.WaitFor("Password: "));
  run.Type("one\n");
  ASSERT_TRUE(run.WaitFor("Password again: "));
  run.Type("two\n");
  EXPECT_EQ(run.Finish(), 1);
  EXPECT_NE(run.screen().find("The two passwords differ; nothing was locked."), std::string::npos)
      << run.screen();
  EXPECT_EQ(ListNames(site_.path()), "page.html");
}

TEST_F(TerminalE2E, CtrlCAtThePromptStopsAndGivesTheEchoBack) {
  WriteFile(site_ / "page.html", kPage);
  PtyProgram run(program_, {"lock", "--template", "Dark", "page.html", "backup.html"}, site_.path());
  ASSERT_TRUE(run.WaitFor("Password: "));
  run.Type("half-typed\x03");
  EXPECT_EQ(run.Finish(), 1);
  EXPECT_NE(run.screen().find("Interrupted; nothing was changed."), std::string::npos) << run.screen();
  EXPECT_TRUE(run.EchoIsOn());
  EXPECT_EQ(ListNames(site_.path()), "page.html");
}

// While the lock waits at the backup question, no process shows the password
// in its command line, whatever the source.
TEST_F(TerminalE2E, NoCommandLineHoldsThePasswordWhileALockWaits) {
  const std::string secret = "Never-On-A-Command-Line-93";
  struct Case {
    const char* name;
    Args options;
    bool stdin_pipe;
    std::vector<std::pair<std::string, std::string>> environment;
  };
  WriteFile(site_ / "pw.txt", secret + "\n");
  const Case cases[] = {
      {"prompt", {}, false, {}},
      {"stdin", {"--password-stdin"}, true, {}},
      {"file", {"--password-file", "pw.txt"}, false, {}},
      {"environment", {"--password-env", "ZENDREL_TEST_PW"}, false, {{"ZENDREL_TEST_PW", secret}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(site_ / "page.html", kPage);
    WriteFile(site_ / "backup.html", "old");
    Args arguments{"lock"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {"page.html", "backup.html"});
    PtyProgram run(program_, arguments, site_.path(), c.stdin_pipe, c.environment);
    if (c.stdin_pipe) run.WriteStdin(secret + "\n");
    if (c.options.empty()) {
      for (const char* prompt : {"Password: ", "Password again: "}) {
        ASSERT_TRUE(run.WaitFor(prompt)) << run.screen();
        run.Type(secret + "\n");
      }
    }
    ASSERT_TRUE(run.WaitFor("Replace it? [y/N] ")) << run.screen();
    EXPECT_EQ(CommandLinesHolding(secret), std::vector<std::string>{});
    run.Type("y\n");
    EXPECT_EQ(run.Finish(), 0) << run.screen();
    EXPECT_EQ(run.screen().find(secret), std::string::npos);
    EXPECT_EQ(ReadFile(site_ / "backup.html"), kPage);
    EXPECT_TRUE(OpensWith(site_ / "page.html", secret, kPage));
  }
}

TEST_F(TerminalE2E, NoAtTheBackupQuestionKeepsEverything) {
  WriteFile(site_ / "page.html", kPage);
  WriteFile(site_ / "backup.html", "old");
  PtyProgram run(program_, {"lock", "--password-env", "ZENDREL_TEST_PW", "page.html", "backup.html"},
                 site_.path(), false, {{"ZENDREL_TEST_PW", "pw"}});
  ASSERT_TRUE(run.WaitFor("Backup file backup.html is exists.\r\nReplace it? [y/N] ")) << run.screen();
  run.Type("\n");
  EXPECT_EQ(run.Finish(), 1);
  EXPECT_NE(run.screen().find("zendrel: Backup file backup.html was kept; nothing was locked."),
            std::string::npos);
  EXPECT_EQ(ReadFile(site_ / "backup.html"), "old");
  EXPECT_EQ(ReadFile(site_ / "page.html"), kPage);
}

// The progress line shows on the terminal, and Ctrl-C while the site is
// being written leaves no output folder.
TEST_F(TerminalE2E, CtrlCDuringASiteLockLeavesNoOutputFolder) {
  // Enough bytes that the lock still runs when the key arrives.
  for (int i = 0; i < 40; ++i)
    WriteFile(site_ / ("src/p" + std::to_string(i) + ".html"), std::string(4 << 20, 'x'));
  PtyProgram run(program_, {"site", "--password-env", "ZENDREL_TEST_PW", "--jobs", "1", "src", "out"},
                 site_.path(), false, {{"ZENDREL_TEST_PW", "pw"}});
  ASSERT_TRUE(run.WaitFor("/40 pages, ")) << run.screen();
  ASSERT_TRUE(run.WaitFor(" left")) << run.screen();
  run.Type("\x03");
  EXPECT_EQ(run.Finish(), 1) << run.screen();
  EXPECT_NE(run.screen().find("zendrel: Interrupted; nothing was changed."), std::string::npos)
      << run.screen();
  EXPECT_FALSE(Exists(site_ / "out"));
  EXPECT_EQ(ListNames(site_.path()), "src");
}

}  // namespace

namespace {

// The keys commands at a terminal: each password asked (the new ones twice)
// with the owner's first, none shown; two answers that differ change
// nothing.
TEST_F(TerminalE2E, KeysAsksEachPasswordAndShowsNone) {
  const std::string owner = "Owner-Secret-0815", ann = "Ann-Secret-4242", ben = "Ben-Secret-1717";
  PtyProgram init(program_, {"keys", "init", "site.keyring", "Ann"}, site_.path());
  for (const auto& [prompt, answer] : std::vector<std::pair<std::string, std::string>>{
           {"New owner password: ", owner},
           {"New owner password again: ", owner},
           {"Password for Ann: ", ann},
           {"Password for Ann again: ", ann}}) {
    ASSERT_TRUE(init.WaitFor(prompt)) << init.screen();
    EXPECT_FALSE(init.EchoIsOn());
    init.Type(answer + "\n");
  }
  EXPECT_EQ(init.Finish(), 0) << init.screen();

  PtyProgram add(program_, {"keys", "add", "site.keyring", "Ben"}, site_.path());
  ASSERT_TRUE(add.WaitFor("Owner password: ")) << add.screen();
  add.Type(owner + "\n");
  ASSERT_TRUE(add.WaitFor("Password for Ben: ")) << add.screen();
  add.Type(ben + "\n");
  ASSERT_TRUE(add.WaitFor("Password for Ben again: ")) << add.screen();
  add.Type("Ben-Secret-1718\n");
  EXPECT_EQ(add.Finish(), 1);
  EXPECT_NE(add.screen().find("The two passwords differ; nothing was changed."), std::string::npos);

  PtyProgram list(program_, {"keys", "list", "site.keyring"}, site_.path());
  ASSERT_TRUE(list.WaitFor("Owner password: ")) << list.screen();
  list.Type(owner + "\n");
  EXPECT_EQ(list.Finish(), 0) << list.screen();
  EXPECT_EQ(list.screen().find("again"), std::string::npos) << list.screen();
  EXPECT_NE(list.out().find("  Ann\n"), std::string::npos) << list.out();
  EXPECT_EQ(list.out().find("Ben"), std::string::npos) << list.out();
  for (const PtyProgram* run : {&init, &add, &list})
    for (const std::string& secret : {owner, ann, ben}) EXPECT_EQ(run->screen().find(secret), std::string::npos);
}

}  // namespace
