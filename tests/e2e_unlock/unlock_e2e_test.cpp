// zendrel-unlock, run as a process, on pages locked by the real lock (XOR)
// and by the strong block writers (format 2, the strong codec's, and format
// 1): round trips to the exact bytes, and every
// refusal with its exit code, its message, and no file left behind.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/format/base64.h"
#include "engine/format/strong/keyring_codec.h"
#include "engine/format/strong/strong_codec.h"
#include "engine/lock_page.h"
#include "fileio/block_sink.h"
#include "tests/e2e_unlock/unlock_runner.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/message_recorder.h"
#include "tests/support/strong_format1.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_site_keys.h"
#include "zendrel_version.h"

namespace {

using namespace std::string_literals;
using testing_support::Exists;
using testing_support::ListNames;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

#ifdef _WIN32
const char kTypedCafe[] = "caf\xE9";  // Windows-1252, converted to UTF-8 for the key
#else
const char kTypedCafe[] = "caf\xC3\xA9";
#endif

std::string RandomBytes(std::size_t n, unsigned seed, bool zeros = true) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(zeros ? random() : 1 + random() % 255);
  return s;
}

std::string EveryByte() {
  std::string s = "\0\0"s;
  for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
  return s + "\0"s;
}

// The page locked with the real lock and a template that is only markers.
std::string XorLocked(const std::string& page, const std::string& password, bool text) {
  testing_support::LockFixture fixture;
  fixture.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  const std::string name = text ? "page.txt" : "page.html";
  WriteFile(fixture.Page(name), page);
  const TLockResult result =
      testing_support::Lock(fixture, "Plain", fixture.Page(name), fixture.Page("backup"), password);
  EXPECT_TRUE(result.ok()) << testing_support::Told(result);
  return ReadFile(fixture.Page(text ? "page.txt.html" : "page.html"));
}

std::string StrongBlock(const std::string& page, const std::string& password, bool text) {
  TempDir dir;
  WriteFile(dir / "page", page);
  TStringSink sink;
  EXPECT_TRUE(WriteStrongBlock(dir / "page", password, text, sink));
  return sink.Text;
}

std::string StrongLocked(const std::string& page, const std::string& password, bool text = false) {
  return testing_support::TemplateStartPage(StrongBlock(page, password, text));
}

// Format 2, as a lock writes it, in a template whose lines end in
// `line_break`.
std::string Strong2Locked(const std::string& page, const TPassword& password, bool text,
                          const std::string& line_break) {
  TempDir dir;
  WriteFile(dir / "page", page);
  std::unique_ptr<TStrongCodec> codec;
  EXPECT_FALSE(TStrongCodec::Make(password, &codec));
  if (!codec) return "";
  TByteSource source;
  EXPECT_TRUE(source.Open(dir / "page"));
  TStringSink sink;
  EXPECT_TRUE(codec->WriteBlock(source, text, line_break, sink).ok());
  return "<script>" + line_break + "//Page Begin" + line_break + sink.Text + "//Page End" + line_break +
         "</script>" + line_break;
}

// zendrel-unlock with the password in a file, the way scripts should give it.
UnlockRun Unlock(const std::string& locked, const std::string& output, const std::string& password) {
  TempDir dir;
  WriteFile(dir / "password", password + "\n");
  return RunUnlock(UnlockProgram(), {"--password-file", dir / "password", locked, output});
}

class UnlockTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

enum TFormat { kXor, kStrong1, kStrong2, kStrong2Lf };

struct RoundTrip {
  const char* name;
  TFormat format;
  std::string page;
  bool text;
  std::string password;
};

TEST_F(UnlockTest, GivesBackThePageOfEitherFormat) {
  const std::string html = "<!DOCTYPE html><html><body>" + RandomBytes(5000, 1, false) + "</body></html>";
  const RoundTrip trips[] = {
      {"XOR page", kXor, html, false, "pagekey"},
      {"XOR text page", kXor, "line one\r\nline <two>\r\n", true, "pw"},
      {"XOR empty page", kXor, "", false, "pw"},
      {"XOR page, password of 300 bytes", kXor, html, false, std::string(300, 'k') + "tail"},
      {"strong page, every byte value", kStrong1, EveryByte(), false, "secret"},
      {"strong empty page", kStrong1, "", false, "secret"},
      {"strong text page", kStrong1, "plain\r\ntext\r\n", true, "secret"},
      {"strong page of several chunks", kStrong1, RandomBytes(200 * 1024, 2), false, "a long passphrase"},
      {"strong page of one whole chunk", kStrong1, RandomBytes(65536, 3), false, "x"},
      {"strong page, non-ASCII password", kStrong1, html, false, kTypedCafe},
      {"format 2, every byte value", kStrong2, EveryByte(), false, "secret"},
      {"format 2 empty page", kStrong2, "", false, "secret"},
      {"format 2 text page, LF lines", kStrong2Lf, "plain\ntext\n", true, "secret"},
      {"format 2 page of several chunks, LF lines", kStrong2Lf, RandomBytes(200 * 1024, 4), false, "pass"},
      {"format 2, non-ASCII password", kStrong2, html, false, kTypedCafe},
  };
  for (const auto& t : trips) {
    SCOPED_TRACE(t.name);
    TempDir dir;
    WriteFile(dir / "locked.html",
              t.format == kXor ? XorLocked(t.page, t.password, t.text)
              : t.format == kStrong1
                  ? StrongLocked(t.page, t.password, t.text)
                  : Strong2Locked(t.page, t.password, t.text, t.format == kStrong2Lf ? "\n" : "\r\n"));
    const UnlockRun run = Unlock(dir / "locked.html", dir / "out.html", t.password);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    ASSERT_TRUE(Exists(dir / "out.html"));
    EXPECT_TRUE(ReadFile(dir / "out.html") == t.page);
    EXPECT_EQ(ListNames(dir.path()), "locked.html out.html");
  }
}

// The sealed stream of a strong block, taken apart and put back together,
// so that tests can cut, swap and extend chunks.
std::string RewriteSealed(const std::string& block, void (*change)(std::string& sealed)) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = block.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(block.substr(start, end - start));
  std::string stream;
  for (std::size_t i = 5; i < lines.size(); ++i) {
    const std::size_t close = lines[i].rfind('\'');
    stream += lines[i].substr(1, close - 1);
  }
  std::string sealed;
  EXPECT_TRUE(Base64Decode(stream, &sealed));
  change(sealed);
  const std::string text = Base64Encode(sealed);
  std::string out;
  for (std::size_t i = 0; i < 5; ++i) out += lines[i] + "\r\n";
  for (std::size_t at = 0; at < text.size(); at += 100)
    out += "'" + text.substr(at, 100) + (at + 100 >= text.size() ? "');\r\n" : "',\r\n");
  return out;
}

constexpr std::size_t kSealedChunk = 65536 + 16;

struct Refusal {
  const char* name;
  std::string locked;
  std::string password;
  const char* message;
};

TEST_F(UnlockTest, RefusesWrongPasswordsDamageAndForeignPages) {
  const std::string page = RandomBytes(3 * 65536 + 100, 4);
  const std::string block = StrongBlock(page, "pw", false);
  const auto strong = [](const std::string& b) { return testing_support::TemplateStartPage(b); };
  std::string flipped = block;
  flipped[block.size() / 2] = flipped[block.size() / 2] == 'A' ? 'B' : 'A';  // a data line in chunk 1
  std::string html_as_text = block;
  html_as_text.replace(html_as_text.find("'html'"), 6, "'text'");
  const std::string xor_locked =
      XorLocked("<html><body>" + std::string(300, 'x') + "</body></html>", "pw", false);
  std::string xor_markup = xor_locked;
  xor_markup.insert(xor_markup.find("',\r\n", xor_markup.find("//Page Begin") + 20), "<");
  std::string xor_unclosed = xor_locked;
  xor_unclosed.erase(xor_unclosed.find("',\r\n", xor_unclosed.find("//Page Begin") + 20), 1);

  const Refusal refusals[] = {
      {"strong, wrong password", strong(block), "wrong", "Wrong password"},
      {"XOR, wrong password", xor_locked, "wrong", "Wrong password"},
      {"strong, a changed data line", strong(flipped), "pw", "damaged: chunk 1 does not authenticate"},
      {"strong, the last chunk cut off",
       strong(RewriteSealed(block, [](std::string& s) { s.resize(3 * kSealedChunk); })), "pw",
       "damaged: chunk 2 does not open as the last"},
      {"strong, two chunks swapped",
       strong(RewriteSealed(block,
                            [](std::string& s) {
                              const std::string first = s.substr(kSealedChunk, kSealedChunk);
                              s.replace(kSealedChunk, kSealedChunk, s.substr(2 * kSealedChunk, kSealedChunk));
                              s.replace(2 * kSealedChunk, kSealedChunk, first);
                            })),
       "pw", "damaged: chunk 1"},
      {"strong, bytes after the last chunk",
       strong(RewriteSealed(block, [](std::string& s) { s += std::string(40, 'x'); })), "pw", "damaged"},
      {"strong, a changed header literal", strong(html_as_text), "pw",
       "Wrong password (or the page was altered)"},
      {"strong, a line cut off", strong(block.substr(0, block.size() - 60)), "pw", "damaged"},
      {"XOR, a character the encoding never writes", xor_markup, "pw", "damaged"},
      {"XOR, a literal not closed", xor_unclosed, "pw", "damaged"},
      {"no marker", "<html><body>just a page</body></html>", "pw", "not a locked page"},
      {"a foreign block", testing_support::TemplateStartPage("'hello',\r\n'world');\r\n"), "pw",
       "not a locked page"},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.name);
    TempDir dir;
    WriteFile(dir / "locked.html", r.locked);
    const UnlockRun run = Unlock(dir / "locked.html", dir / "out", r.password);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.errors.find(r.message), std::string::npos) << run.errors;
    EXPECT_EQ(ListNames(dir.path()), "locked.html");
  }
}

TEST_F(UnlockTest, NeverOverwritesAndNamesWhatItCannotRead) {
  const std::string locked = StrongLocked("<html>page</html>", "pw");
  WriteFile(dir_ / "locked.html", locked);
  WriteFile(dir_ / "out", "keep me");
  UnlockRun run = Unlock(dir_ / "locked.html", dir_ / "out", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.errors.find("exists already"), std::string::npos) << run.errors;
  EXPECT_EQ(ReadFile(dir_ / "out"), "keep me");

  run = Unlock(dir_ / "missing.html", dir_ / "out2", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.errors.find("Cannot read"), std::string::npos) << run.errors;
  EXPECT_FALSE(Exists(dir_ / "out2"));

  // An output folder that does not exist cannot be written.
  run = Unlock(dir_ / "locked.html", dir_ / "no/such/out", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.errors.find("Cannot create"), std::string::npos) << run.errors;
  EXPECT_EQ(ListNames(dir_.path()), "locked.html out");
}

TEST_F(UnlockTest, AMalformedCommandLineGetsTheUsage) {
  const std::vector<std::vector<std::string>> lines = {
      {}, {"a"}, {"a", "b", "c", "d"}, {"--password-stdin", "a", "b", "pw"}, {"--jobs", "2", "a", "b"}};
  for (const auto& arguments : lines) {
    const UnlockRun run = RunUnlock(UnlockProgram(), arguments);
    EXPECT_EQ(run.exit_code, 2) << arguments.size();
    EXPECT_NE(run.errors.find("Usage: zendrel-unlock <Locked Page> <Output File> <password>"),
              std::string::npos);
  }
}

TEST_F(UnlockTest, HelpAndVersionGoToStandardOutput) {
  for (const char* help : {"--help", "-h"}) {
    const UnlockRun run = RunUnlock(UnlockProgram(), {help});
    EXPECT_EQ(run.exit_code, 0) << help;
    EXPECT_EQ(run.output.rfind("Usage: zendrel-unlock <Locked Page> <Output File> <password>\n", 0), 0u)
        << help;
    EXPECT_EQ(run.errors, "") << help;
  }
  for (const char* version : {"--version", "-V"}) {
    const UnlockRun run = RunUnlock(UnlockProgram(), {version});
    EXPECT_EQ(run.exit_code, 0) << version;
    EXPECT_EQ(run.output, "zendrel-unlock " ZENDREL_VERSION "\n") << version;
  }
}

// Every source of the password opens the page, in zendrel-unlock and in the
// terminal program's unlock; zendrel-unlock's third argument still does, with
// a warning that names the safer sources.
TEST_F(UnlockTest, EveryPasswordSourceOpensThePage) {
  const std::string page = "<html>" + RandomBytes(3000, 5, false) + "</html>";
  const std::string locked = dir_ / "locked.html", password_file = dir_ / "password";
  WriteFile(locked, Strong2Locked(page, "two words", false, "\r\n"));
  WriteFile(password_file, "two words\r\n");
  const std::pair<std::string, std::string> variable{"ZENDREL_TEST_PASSWORD", "two words"};
  UnlockInput from_stdin, from_environment;
  from_stdin.stdin_file = password_file;
  from_environment.environment = {variable};
  struct Source {
    const char* name;
    std::string program;
    std::vector<std::string> before, after;
    UnlockInput input;
    std::string errors;
  };
  const Source sources[] = {
      {"third argument",
       UnlockProgram(),
       {},
       {"two words"},
       {},
       "Warning: a password on the command line is seen by every local user; use --password-stdin, "
       "--password-file or --password-env, or let zendrel-unlock ask for it.\n"},
      {"--password-stdin", UnlockProgram(), {"--password-stdin"}, {}, from_stdin, ""},
      {"--password-file", UnlockProgram(), {"--password-file", password_file}, {}, {}, ""},
      {"--password-env", UnlockProgram(), {"--password-env", variable.first}, {}, from_environment, ""},
      {"unlock --password-stdin", TerminalProgram(), {"unlock", "--password-stdin"}, {}, from_stdin, ""},
      {"unlock --password-file",
       TerminalProgram(),
       {"unlock", "--password-file=" + password_file},
       {},
       {},
       ""},
      {"unlock --password-env",
       TerminalProgram(),
       {"unlock", "--password-env", variable.first},
       {},
       from_environment,
       ""},
  };
  int n = 0;
  for (const Source& s : sources) {
    SCOPED_TRACE(s.name);
    const std::string out = dir_ / ("out" + std::to_string(++n));
    std::vector<std::string> arguments = s.before;
    arguments.insert(arguments.end(), {locked, out});
    arguments.insert(arguments.end(), s.after.begin(), s.after.end());
    const UnlockRun run = RunUnlock(s.program, arguments, s.input);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    EXPECT_EQ(run.errors, s.errors);
    EXPECT_TRUE(Exists(out) && ReadFile(out) == page);
  }
  // Without a source, the password is asked at the terminal; there is none.
  for (const auto& arguments : {std::vector<std::string>{locked, dir_ / "none"},
                                std::vector<std::string>{"unlock", locked, dir_ / "none"}}) {
    const UnlockRun run =
        RunUnlock(arguments.size() == 2 ? UnlockProgram() : TerminalProgram(), arguments, from_stdin);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.errors.find(": Standard input is not a terminal, so no password can be asked"),
              std::string::npos)
        << run.errors;
    EXPECT_FALSE(Exists(dir_ / "none"));
  }
}

// A keyring site's page (format 3): a reader's password opens it, and so
// does a share link given as a password is (a file, a variable, standard
// input), whole or only its secret; a link whose slot is gone does not.
TEST_F(UnlockTest, AKeyringPageOpensByAReadersPasswordOrAShareLink) {
  const std::string page = "<html>" + RandomBytes(70000, 9, false) + "</html>";
  const std::string link = testing_support::SystemRandomBytes(32);
  std::string code = Base64Encode(link);
  code.pop_back();  // base64url without its "="
  for (char& c : code) c = c == '+' ? '-' : c == '/' ? '_' : c;
  const auto keys = testing_support::MakeSiteKeys(testing_support::SystemRandomBytes(16), 1000,
                                                  {"reader one", "reader two"}, {link});
  std::unique_ptr<TKeyringCodec> codec;
  ASSERT_FALSE(TKeyringCodec::Make(*keys, &codec));
  WriteFile(dir_ / "page", page);
  TByteSource source;
  ASSERT_TRUE(source.Open(dir_ / "page"));
  TStringSink sink;
  ASSERT_TRUE(codec->WriteBlock(source, false, "\r\n", sink).ok());
  const std::string locked = dir_ / "locked.html";
  WriteFile(locked, testing_support::TemplateStartPage(sink.Text));
  WriteFile(dir_ / "whole-link", "https://example.org/site/index.html#zendrel-key=" + code + "\n");
  WriteFile(dir_ / "reader", "reader two\n");
  UnlockInput from_stdin, from_environment, revoked;
  from_stdin.stdin_file = dir_ / "reader";
  from_environment.environment = {{"ZENDREL_TEST_LINK", code}};
  revoked.environment = {{"ZENDREL_TEST_LINK", std::string(43, 'A')}};
  struct Way {
    const char* name;
    std::string program;
    std::vector<std::string> options;
    UnlockInput input;
    std::string errors;  // empty: the page opens
  };
  const Way ways[] = {
      {"a reader's password", TerminalProgram(), {"unlock", "--password-stdin"}, from_stdin, ""},
      {"the whole link", TerminalProgram(), {"unlock", "--link", "--password-file", dir_ / "whole-link"}, {}, ""},
      {"the link's secret", UnlockProgram(), {"--link", "--password-env", "ZENDREL_TEST_LINK"}, from_environment,
       ""},
      {"a revoked link",
       UnlockProgram(),
       {"--link", "--password-env", "ZENDREL_TEST_LINK"},
       revoked,
       "zendrel-unlock: The link opens none of the page's 3 slots: it was revoked, or the page was altered.\n"},
      {"a password given as a link",
       UnlockProgram(),
       {"--link", "--password-stdin"},
       from_stdin,
       "zendrel-unlock: That is no share link: give the link, or the 43 characters after #zendrel-key=.\n"},
  };
  int n = 0;
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    const std::string out = dir_ / ("out" + std::to_string(++n));
    std::vector<std::string> arguments = way.options;
    arguments.insert(arguments.end(), {locked, out});
    const UnlockRun run = RunUnlock(way.program, arguments, way.input);
    EXPECT_EQ(run.exit_code, way.errors.empty() ? 0 : 1);
    EXPECT_EQ(run.errors, way.errors);
    EXPECT_EQ(Exists(out) && ReadFile(out) == page, way.errors.empty());
  }
}

#ifdef _WIN32
// zendrel-unlock.exe reads its command line as UTF-16: a password outside
// the ANSI code page keeps every character for the strong key.
TEST_F(UnlockTest, APasswordArgumentOutsideTheCodePageOpensAStrongPage) {
  const std::string greek = "\xCE\xBA\xCE\xBB\xCE\xB5\xCE\xB9\xCE\xB4\xCE\xAF";  // "κλειδί"
  WriteFile(dir_ / "locked.html",
            Strong2Locked("<html>page</html>", TPassword("??????", greek), false, "\r\n"));
  UnlockInput utf8;
  utf8.utf8_arguments = true;
  const UnlockRun run = RunUnlock(UnlockProgram(), {dir_ / "locked.html", dir_ / "out.html", greek}, utf8);
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(ReadFile(dir_ / "out.html"), "<html>page</html>");
}
#endif

// Each is refused before it is opened: a FIFO without a writer would block
// the open for ever.
TEST_F(UnlockTest, AFolderAPipeOrADeviceIsNoLockedPage) {
  UnlockRun run;
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = "/dev/null";
  const std::string fifo = dir_ / "pipe.html";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  run = Unlock(fifo, dir_ / "out", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.errors, "zendrel-unlock: " + fifo +
                            " is a pipe, a socket or a device, not a locked page; it is not read.\n");
#endif
  run = Unlock(device, dir_ / "out", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.errors, "zendrel-unlock: " + device +
                            " is a pipe, a socket or a device, not a locked page; it is not read.\n");
  run = Unlock(dir_.path(), dir_ / "out", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.errors, "zendrel-unlock: " + dir_.path() + " is a folder, not a locked page.\n");
  EXPECT_FALSE(Exists(dir_ / "out"));
}

#ifndef _WIN32
// The output is the page in clear: its owner's only, whatever the locked
// page's mode and the umask. A temporary file a stopped run left is named
// and removed by the next run, unless a run still holds it.
TEST_F(UnlockTest, TheOutputIsTheOwnersOnlyAndALeftoverIsNamed) {
  WriteFile(dir_ / "locked.html", StrongLocked("<html>page</html>", "pw"));
  ASSERT_EQ(chmod((dir_ / "locked.html").c_str(), 0644), 0);
  const mode_t old_mask = umask(0);
  UnlockRun run = Unlock(dir_ / "locked.html", dir_ / "out", "pw");
  umask(old_mask);
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  struct stat st {};
  ASSERT_EQ(stat((dir_ / "out").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  const std::string leftover = dir_ / "again~unlock~";
  WriteFile(leftover, "<html>page</html>");
  const int holder = open(leftover.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  run = Unlock(dir_ / "locked.html", dir_ / "again", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.errors,
            "zendrel-unlock: " + leftover + " is being written by another run; nothing was written.\n");
  EXPECT_TRUE(Exists(leftover));
  close(holder);

  run = Unlock(dir_ / "locked.html", dir_ / "again", "pw");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.errors.find(leftover + " was left by an earlier run that was stopped"), std::string::npos)
      << run.errors;
  EXPECT_FALSE(Exists(leftover));
  run = Unlock(dir_ / "locked.html", dir_ / "again", "pw");
  EXPECT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(ReadFile(dir_ / "again"), "<html>page</html>");
}
#endif

}  // namespace
