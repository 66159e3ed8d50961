// The terminal program end to end, without a terminal: the help and version
// forms, malformed command lines, each password source, the template
// choice, the warning for a template that only hides the source, the
// backup question, and the four-argument form.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>

#include "engine/base64.h"
#include "platform/crypto.h"
#include "tests/e2e_cli/cli_fixture.h"
#include "tests/e2e_cli/cli_runner.h"
#include "zendrel_version.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

constexpr char kPage[] = "<html><body><p>mine</p></body></html>";
// The name the program's own messages start with.
#ifdef _WIN32
const std::string kProgramName = "zendrel-cli";
#else
const std::string kProgramName = "zendrel";
#endif
const std::string kClassicWarning =
    "Warning: the template Classic only hides the page's source from a casual look; anyone can open the page "
    "without the password. Light or Dark protect it with a password.\n";

class CliE2E : public CliFixture {};

TEST_F(CliE2E, HelpAndVersionGoToStandardOutput) {
  for (const char* help : {"--help", "-h", "/?"}) {
    const CliRun run = RunCli(program_, {help}, site_.path());
    EXPECT_EQ(run.exit_code, 0) << help;
    EXPECT_EQ(run.out.rfind("Usage:\n", 0), 0u) << help << ": " << run.out;
    EXPECT_NE(run.out.find(" site [options] <source folder> <output folder>\n"), std::string::npos);
    EXPECT_EQ(run.out.find("GUI mode"), std::string::npos);
    EXPECT_EQ(run.out.find("this dialog"), std::string::npos);
    EXPECT_EQ(run.err, "") << help;
  }
  for (const char* version : {"--version", "-V"}) {
    const CliRun run = RunCli(program_, {version}, site_.path());
    EXPECT_EQ(run.exit_code, 0) << version;
    EXPECT_EQ(run.out, "zendrel " ZENDREL_VERSION "\n") << version;
  }
}

TEST_F(CliE2E, AMalformedCommandLineSaysWhyAndExitsWithTwo) {
  const std::pair<Args, std::string> cases[] = {
      {{}, "Usage:\n"},
      {{"lock", "page.html"}, "lock takes a page and a backup file\n"},
      {{"lock", "--password", "pw", "page.html", "backup.html"}, "there is no --password option"},
      {{"site", "--jobs", "0", "in", "out"}, "--jobs takes a whole number from 1 to 1024\n"},
      {{"T", "page.html", "backup.html"}, "the command line names no command"},
  };
  WriteFile(site_ / "page.html", kPage);
  for (const auto& [arguments, why] : cases) {
    const CliRun run = RunCli(program_, arguments, site_.path());
    EXPECT_EQ(run.exit_code, 2) << why;
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    if (arguments.empty()) EXPECT_NE(run.err.find("\nThe wizard window is "), std::string::npos) << run.err;
  }
  EXPECT_EQ(ListNames(site_.path()), "page.html");
}

TEST_F(CliE2E, EachPasswordSourceLocksAPageThatOpensWithIt) {
  struct Case {
    const char* name;
    Args options;
    CliInput input;
    std::string password;
  };
  WriteFile(site_ / "pw.txt", "from-a-file\nsecond line\n");
  WriteFile(site_ / "pw-bom.txt",
            "\xEF\xBB\xBF"
            "file with bom\r\n");
  const Case cases[] = {
      {"stdin", {"--password-stdin"}, {"from-stdin\n", {}}, "from-stdin"},
      {"stdin CR LF, no more lines", {"--password-stdin"}, {"crlf stdin\r\n", {}}, "crlf stdin"},
      {"stdin without a line break", {"--password-stdin"}, {"no-break", {}}, "no-break"},
      {"file", {"--password-file", "pw.txt"}, {}, "from-a-file"},
      {"file with a byte-order mark", {"--password-file=pw-bom.txt"}, {}, "file with bom"},
      {"environment",
       {"--password-env", "ZENDREL_TEST_PW"},
       {"", {{"ZENDREL_TEST_PW", "from env"}}},
       "from env"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(site_ / "page.html", kPage);
    Args arguments{"lock"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {"page.html", "backup.html"});
    const CliRun run = RunCli(program_, arguments, site_.path(), c.input);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "page.html\nbackup.html\n");
    EXPECT_EQ(run.out.find(c.password), std::string::npos);
    EXPECT_EQ(run.err.find(c.password), std::string::npos);
    EXPECT_EQ(ReadFile(site_ / "backup.html"), kPage);
    EXPECT_TRUE(OpensWith(site_ / "page.html", c.password, kPage));
    EXPECT_FALSE(OpensWith(site_ / "page.html", c.password + "x", kPage));
    std::remove((site_ / "backup.html").c_str());
  }
}

TEST_F(CliE2E, WithoutASourceOrATerminalNothingIsLocked) {
  struct Case {
    Args options;
    CliInput input;
    std::string why;
  };
  const Case cases[] = {
      {{}, {"piped\n", {}}, "Standard input is not a terminal, so no password can be asked"},
      {{"--password-stdin"}, {"", {}}, "Standard input holds no password line."},
      {{"--password-stdin"}, {"\n", {}}, "A password is not entered"},
      {{"--password-env", "ZENDREL_TEST_UNSET_PW"},
       {},
       "The environment variable ZENDREL_TEST_UNSET_PW is not set."},
      {{"--password-file", "missing.txt"}, {}, "Cannot read the password file missing.txt: "},
  };
  WriteFile(site_ / "page.html", kPage);
  for (const Case& c : cases) {
    Args arguments{"lock"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {"page.html", "backup.html"});
    const CliRun run = RunCli(program_, arguments, site_.path(), c.input);
    EXPECT_EQ(run.exit_code, 1) << c.why;
    EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(ReadFile(site_ / "page.html"), kPage);
  EXPECT_EQ(ListNames(site_.path()), "page.html");
}

TEST_F(CliE2E, AWrongTemplateNameListsTheTemplatesThatExist) {
  WriteFile(site_ / "page.html", kPage);
  const CliRun run =
      RunCli(program_, {"lock", "--template", "Lihgt", "--password-stdin", "page.html", "b.html"},
             site_.path(), {"pw\n", {}});
  EXPECT_EQ(run.exit_code, 1);
  const std::size_t list = run.err.find("The templates are: ");
  ASSERT_NE(list, std::string::npos) << run.err;
  for (const char* name : {"Light", "Dark", "Classic", "Source Hide"})
    EXPECT_NE(run.err.find(name, list), std::string::npos) << name;
  EXPECT_EQ(ListNames(site_.path()), "page.html");
}

TEST_F(CliE2E, ATemplateFolderIsGivenByItsPath) {
  TempDir elsewhere;
  std::filesystem::copy(install_ / "Templates/Light", elsewhere / "Mine",
                        std::filesystem::copy_options::recursive);
  WriteFile(site_ / "page.html", kPage);
  const CliRun run =
      RunCli(program_, {"lock", "--template", elsewhere / "Mine", "--password-stdin", "page.html", "b.html"},
             site_.path(), {"pw\n", {}});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(OpensWith(site_ / "page.html", "pw", kPage));
}

TEST_F(CliE2E, OnlyATemplateThatHidesTheSourceWithoutBeingAskedWarns) {
  const std::pair<Args, bool> cases[] = {
      {{"lock", "--template", "Classic", "--password-stdin", "page.html", "b.html"}, true},
      {{"lock", "--template", "Source Hide", "--password-stdin", "page.html", "b.html"}, false},
      {{"lock", "--template", "Light", "--password-stdin", "page.html", "b.html"}, false},
      {{"Classic", "page.html", "b.html", "pw"}, true},
      {{"Source Hide", "page.html", "b.html", "pagekey"}, false},
  };
  for (const auto& [arguments, warns] : cases) {
    TempDir site;
    WriteFile(site / "page.html", kPage);
    const CliRun run = RunCli(program_, arguments, site.path(), {"pw\n", {}});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, warns ? kClassicWarning : "") << testing::PrintToString(arguments);
  }
}

TEST_F(CliE2E, AnExistingBackupIsReplacedOnlyWithYes) {
  WriteFile(site_ / "page.html", kPage);
  WriteFile(site_ / "backup.html", "old backup");
  CliRun run =
      RunCli(program_, {"lock", "--password-stdin", "page.html", "backup.html"}, site_.path(), {"pw\n", {}});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(
      run.err,
      kProgramName +
          ": Backup file backup.html exists and there is no terminal to ask whether to replace it; add "
          "--yes to replace it.\n");
  EXPECT_EQ(ReadFile(site_ / "backup.html"), "old backup");
  EXPECT_EQ(ReadFile(site_ / "page.html"), kPage);

  run = RunCli(program_, {"lock", "--yes", "--password-stdin", "page.html", "backup.html"}, site_.path(),
               {"pw\n", {}});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(site_ / "backup.html"), kPage);
  EXPECT_TRUE(OpensWith(site_ / "page.html", "pw", kPage));
}

TEST_F(CliE2E, TheFourArgumentFormKeepsItsMessagesAndCodes) {
  WriteFile(install_ / "Templates/Broken/index.html", "<html>no markers</html>");
  WriteFile(site_ / "page.html", kPage);
  CliRun run = RunCli(program_, {"Broken", "page.html", "backup.html", "pw"}, site_.path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "Error: Wrong Template.\nError: Locked page was not created\n");
  EXPECT_EQ(ListNames(site_.path()), "page.html");

  run = RunCli(program_, {"Light", "page.html", "backup.html", "pw"}, site_.path());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(OpensWith(site_ / "page.html", "pw", kPage));
}

TEST_F(CliE2E, ASiteIsLockedIntoANewFolder) {
  WriteFile(site_ / "src/index.html", kPage);
  WriteFile(site_ / "src/docs/a.htm", "<p>a</p>");
  WriteFile(site_ / "src/css/style.css", "body{}");
  const CliRun run = RunCli(program_, {"site", "--password-stdin", "--jobs", "2", "src", "out"}, site_.path(),
                            {"site pw\n", {}});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "") << "no progress line when standard error is no terminal";
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '\n');
  EXPECT_EQ(std::filesystem::path(run.out.substr(0, run.out.size() - 1)).filename(), "out") << run.out;
  EXPECT_TRUE(OpensWith(site_ / "out/index.html", "site pw", kPage));
  EXPECT_TRUE(OpensWith(site_ / "out/docs/a.htm", "site pw", "<p>a</p>"));
  EXPECT_EQ(ReadFile(site_ / "out/css/style.css"), "body{}");
  EXPECT_EQ(ReadFile(site_ / "src/index.html"), kPage) << "the source stays as it was";
}

TEST_F(CliE2E, ASiteThatCannotBeLockedWritesNothing) {
  WriteFile(site_ / "src/index.html", kPage);
  WriteFile(site_ / "out/keep.txt", "mine");
  CliRun run = RunCli(program_, {"site", "--password-stdin", "src", "out"}, site_.path(), {"pw\n", {}});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("zendrel"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ListNames(site_ / "out"), "keep.txt");

  run = RunCli(program_, {"site", "--force", "--password-stdin", "src", "out"}, site_.path(), {"pw\n", {}});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ListNames(site_ / "out"), "index.html zendrel-unlock.js");
}

// The site key of a format 2 page: PBKDF2 of the password over the site
// salt (the block's third literal) with the block's iteration count.
std::string SiteKeyOf(const std::string& page, const std::string& password) {
  std::smatch m;
  const std::string text = ReadFile(page);
  if (!std::regex_search(text, m, std::regex("'ZENDREL-AES-GCM-2',\\s*'(\\d+)',\\s*'([^']*)'"))) return "no block";
  std::string salt, key;
  if (!Base64Decode(m[2].str(), &salt) ||
      !platform::DeriveKeyPbkdf2Sha256(password, salt, std::stoul(m[1].str()), 32, &key))
    return "no key";
  return key;
}

TEST_F(CliE2E, AShareLinkCarriesTheKeyOfThePageItNames) {
  WriteFile(site_ / "page.html", kPage);
  WriteFile(site_ / "notes.txt", "plain");
  WriteFile(site_ / "src/index.html", kPage);
  WriteFile(site_ / "src/a/b.html", kPage);
  struct Case {
    Args arguments;
    std::string printed;  // what comes before the link
    const char* url;      // the link, up to its key
    const char* page;     // the page whose key it carries
  };
  const Case cases[] = {
      {{"lock", "--share-url", "https://example.org/club", "page.html", "backup.html"},
       "page.html\nbackup.html\n", "https://example.org/club/page.html#zendrel-key=", "page.html"},
      {{"lock", "--share-url=http://h/x/", "notes.txt", "notes.bak"},
       "notes.txt.html\nnotes.bak\n", "http://h/x/notes.txt.html#zendrel-key=", "notes.txt.html"},
      {{"site", "--share-url", "https://example.org/s", "src", "out"}, "", "https://example.org/s/index.html#zendrel-key=",
       "out/a/b.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + c.arguments[2]);
    Args arguments = c.arguments;
    arguments.insert(arguments.begin() + 1, "--password-stdin");
    const CliRun run = RunCli(program_, arguments, site_.path(), {"share pw\n", {}});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const std::size_t at = run.out.find(c.url);
    ASSERT_NE(at, std::string::npos) << run.out;
    if (!c.printed.empty()) EXPECT_EQ(run.out.substr(0, at), c.printed);
    std::string encoded = run.out.substr(at + std::strlen(c.url));
    ASSERT_EQ(encoded.size(), 44u) << "43 characters and the line break: " << encoded;
    encoded.pop_back();
    EXPECT_EQ(encoded.find_first_of("+/="), std::string::npos) << "base64url without padding";
    for (char& ch : encoded) ch = ch == '-' ? '+' : ch == '_' ? '/' : ch;
    std::string key;
    ASSERT_TRUE(Base64Decode(encoded + "=", &key));
    EXPECT_EQ(key, SiteKeyOf(site_ / c.page, "share pw")) << "one key opens every page of a site";
  }
  // A template that only hides the source has no key to share.
  const CliRun run = RunCli(program_, {"lock", "--template", "Classic", "--password-stdin", "--share-url", "https://h",
                                       "page.html", "b2.html"},
                            site_.path(), {"pw\n", {}});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("--share-url needs Light or Dark"), std::string::npos) << run.err;
  EXPECT_FALSE(Exists(site_ / "b2.html"));
}

}  // namespace
