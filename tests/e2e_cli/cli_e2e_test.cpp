// The terminal program end to end, without a terminal: the help and version
// forms, malformed command lines, each password source, the template
// choice, the warning for a template that only hides the source, the
// backup question, and the four-argument form.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <thread>

#include "engine/format/base64.h"
#include "platform/crypto.h"
#include "tests/e2e_cli/cli_fixture.h"
#include "tests/e2e_cli/cli_runner.h"
#include "tests/support/sanitized_build.h"
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
    if (arguments.empty()) {
      EXPECT_NE(run.err.find("\nThe wizard window is "), std::string::npos) << run.err;
    }
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
      {{"lock", "--template", "Classic", "--password-stdin", "pages/page.html", "b.html"}, true},
      {{"lock", "--template", "Source Hide", "--password-stdin", "pages/page.html", "b.html"}, false},
      {{"lock", "--template", "Light", "--password-stdin", "pages/page.html", "b.html"}, false},
      {{"Classic", "pages/page.html", "b.html", "pw"}, true},
      {{"Source Hide", "pages/page.html", "b.html", "pagekey"}, false},
  };
  for (const auto& [arguments, warns] : cases) {
    TempDir site;
    // The backup outside the page's folder, and a password of 10 characters
    // or more: neither is warned about.
    WriteFile(site / "pages/page.html", kPage);
    const CliRun run = RunCli(program_, arguments, site.path(), {"long enough\n", {}});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, warns ? kClassicWarning : "") << testing::PrintToString(arguments);
  }
}

TEST_F(CliE2E, AnExistingBackupIsReplacedOnlyWithYes) {
  WriteFile(site_ / "pages/page.html", kPage);
  WriteFile(site_ / "backup.html", "old backup");
  CliRun run = RunCli(program_, {"lock", "--password-stdin", "pages/page.html", "backup.html"}, site_.path(),
                      {"long enough\n", {}});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err,
            kProgramName +
                ": Backup file backup.html exists and there is no terminal to ask whether to replace it; add "
                "--yes to replace it.\n");
  EXPECT_EQ(ReadFile(site_ / "backup.html"), "old backup");
  EXPECT_EQ(ReadFile(site_ / "pages/page.html"), kPage);

  run = RunCli(program_, {"lock", "--yes", "--password-stdin", "pages/page.html", "backup.html"},
               site_.path(), {"long enough\n", {}});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(site_ / "backup.html"), kPage);
  EXPECT_TRUE(OpensWith(site_ / "pages/page.html", "long enough", kPage));
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
                            {"site password\n", {}});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "") << "no progress line when standard error is no terminal";
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '\n');
  EXPECT_EQ(std::filesystem::path(run.out.substr(0, run.out.size() - 1)).filename(), "out") << run.out;
  EXPECT_TRUE(OpensWith(site_ / "out/index.html", "site password", kPage));
  EXPECT_TRUE(OpensWith(site_ / "out/docs/a.htm", "site password", "<p>a</p>"));
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
  if (!std::regex_search(text, m, std::regex("'ZENDREL-AES-GCM-2',\\s*'(\\d+)',\\s*'([^']*)'")))
    return "no block";
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
       "page.html\nbackup.html\n",
       "https://example.org/club/page.html#zendrel-key=",
       "page.html"},
      {{"lock", "--share-url=http://h/x/", "notes.txt", "notes.bak"},
       "notes.txt.html\nnotes.bak\n",
       "http://h/x/notes.txt.html#zendrel-key=",
       "notes.txt.html"},
      {{"site", "--share-url", "https://example.org/s", "src", "out"},
       "",
       "https://example.org/s/index.html#zendrel-key=",
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
    if (!c.printed.empty()) {
      EXPECT_EQ(run.out.substr(0, at), c.printed);
    }
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
  const CliRun run = RunCli(program_,
                            {"lock", "--template", "Classic", "--password-stdin", "--share-url", "https://h",
                             "page.html", "b2.html"},
                            site_.path(), {"pw\n", {}});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("--share-url needs Light or Dark"), std::string::npos) << run.err;
  EXPECT_FALSE(Exists(site_ / "b2.html"));
}

// Two runs into one output, started at once, twenty times: one locks the
// site, the other refuses (another run holds the temporary folder, or the
// output is there already), and the output is always whole.
TEST_F(CliE2E, TwoRunsIntoOneOutputNeverHarmEachOther) {
  for (int i = 0; i < 20; ++i)
    WriteFile(site_ / ("src/p" + std::to_string(i) + ".html"), std::string(20000, 'a' + i));
  // The password from a file: the two runs share no standard input.
  WriteFile(site_ / "pw.txt", "long enough\n");
  const Args arguments = {"site", "--password-file", "pw.txt", "src", "out"};
  const int trials = kSanitizedBuild ? 5 : 20;
  for (int trial = 0; trial < trials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    std::filesystem::remove_all(site_ / "out");
    CliRun first, second;
    std::thread other([&] { second = RunCli(program_, arguments, site_.path()); });
    first = RunCli(program_, arguments, site_.path());
    other.join();
    ASSERT_EQ(first.exit_code + second.exit_code, 1) << first.err << second.err;
    const std::string refusal = first.exit_code == 1 ? first.err : second.err;
    EXPECT_TRUE(refusal.find("Another run is locking a site into out") != std::string::npos ||
                refusal.find("The output folder out is not empty") != std::string::npos)
        << refusal;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(site_ / "out"), {}), 21)
        << "20 pages and the unlock script";
    EXPECT_TRUE(OpensWith(site_ / "out/p19.html", "long enough", std::string(20000, 'a' + 19)));
    EXPECT_EQ(ListNames(site_.path()), "out pw.txt src") << "no temporary folder is left";
  }
}

// A site shaped like a generator's output: only what the pages need is
// copied; a file copied on purpose that holds page text is named, and with
// --strict nothing is written; a dry run says each file's fate.
TEST_F(CliE2E, ASiteCopiesWhatPagesNeedAndNamesEachLeak) {
  const std::string sentence = "Every locked word of this page stays behind its password for good";
  WriteFile(site_ / "src/index.html", "<p>" + sentence + "</p>");
  WriteFile(site_ / "src/style.css", "p{}");
  WriteFile(site_ / "src/index.md", sentence);
  WriteFile(site_ / "src/.git/HEAD", "ref: refs/heads/main");
  WriteFile(site_ / "src/search/search_index.json", "{\"text\":\"" + sentence + "\"}");
  struct Case {
    Args options;
    int exit_code;
    std::string out_names;  // "" for no output folder
    std::string err;        // a part of standard error; "" for none at all
  };
  const Case cases[] = {
      {{}, 0, "index.html style.css zendrel-unlock.js", ""},
      {{"--copy", "search/*"},
       0,
       "index.html search style.css zendrel-unlock.js",
       "Warning: " + std::filesystem::path("out/search/search_index.json").make_preferred().string() +
           " holds 5 runs of 8 words of the locked pages' text, in clear.\n"},
      {{"--copy", "search/*", "--strict"},
       1,
       "",
       kProgramName +
           ": Nothing was written: 1 files that would be copied in clear hold the locked pages' text"},
      {{"--exclude", "index.md", "--include", "*.html", "--include", "*.md"},
       0,
       "index.html style.css zendrel-unlock.js",
       ""},
      {{"--include", "*.html", "--include", "*.md"},
       0,
       "index.html index.md.html style.css zendrel-unlock.js",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    std::filesystem::remove_all(site_ / "out");
    Args arguments = {"site", "--password-stdin"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {"src", "out"});
    const CliRun run = RunCli(program_, arguments, site_.path(), {"long enough\n", {}});
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    if (c.err.empty())
      EXPECT_EQ(run.err, "");
    else
      EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(Exists(site_ / "out") ? ListNames(site_ / "out") : "", c.out_names);
  }
  std::filesystem::remove_all(site_ / "out");
  const CliRun run = RunCli(program_, {"site", "--dry-run", "src", "out"}, site_.path());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Exists(site_ / "out"));
  EXPECT_EQ(run.out,
            "template  zendrel-unlock.js\n"
            "lock      index.html\n"
            "copy      style.css\n"
            "leave out .git/ (version control)\n"
            "leave out index.md (source or data)\n"
            "leave out search/search_index.json (search index)\n");
}

// The share link opens the page asked for, or index.html; without either it
// is not printed, and the message names --share-page.
TEST_F(CliE2E, AShareLinkOpensTheNamedPageOrNone) {
  WriteFile(site_ / "src/a/b.html", kPage);
  WriteFile(site_ / "src/template.html", kPage);
  const std::pair<Args, std::string> cases[] = {
      {{}, ""},
      {{"--share-page", "a/b.html"}, "https://example.org/my%20site/a/b.html#zendrel-key="},
  };
  for (const auto& [options, link] : cases) {
    std::filesystem::remove_all(site_ / "out");
    Args arguments = {"site", "--password-stdin", "--share-url", "https://example.org/my site"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), {"src", "out"});
    const CliRun run = RunCli(program_, arguments, site_.path(), {"long enough\n", {}});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    if (link.empty()) {
      EXPECT_EQ(run.out.find("#zendrel-key="), std::string::npos) << run.out;
      EXPECT_NE(run.err.find("--share-page"), std::string::npos) << run.err;
    } else {
      EXPECT_NE(run.out.find(link), std::string::npos) << run.out;
    }
  }
}

// lock refuses what the wizard refuses and warns where it warns.
TEST_F(CliE2E, LockRefusesAndWarnsAsTheWizardDoes) {
  struct Case {
    const char* name;
    Args arguments;  // after "lock --password-stdin"
    std::string password;
    int exit_code;
    std::string err;  // a part of standard error; "" for none at all
    const char* locked;
  };
  std::filesystem::create_directories(site_ / "pages");
  std::filesystem::create_directories(site_ / "elsewhere");
  std::error_code no_links;
  std::filesystem::create_symlink(site_ / "elsewhere/real.html", site_ / "pages/link.html", no_links);
  if (no_links) GTEST_SKIP() << "no symbolic links here: " << no_links.message();
  const Case cases[] = {
      {"a link",
       {"pages/link.html", "b1.html"},
       "long enough",
       1,
       "is a link to " + std::filesystem::canonical(site_.path()).string() + "/elsewhere/real.html",
       nullptr},
      {"the published password",
       {"pages/a.html", "b2.html"},
       "pagekey",
       1,
       "\"pagekey\" is the published default: type a password of your own",
       nullptr},
      {"the published password, source hiding",
       {"--template", "Source Hide", "pages/a.html", "b3.html"},
       "pagekey",
       0,
       "",
       "pages/a.html"},
      {"a short password",
       {"pages/c.html", "b4.html"},
       "short",
       0,
       "Warning: the password is shorter than 10 characters.",
       "pages/c.html"},
      {"a backup in the page's folder",
       {"pages/d.html", "pages/d_original.html"},
       "long enough",
       0,
       "zendrel: Backup in the page's folder: do not publish it.\n",
       "pages/d.html"},
      {"text in capitals", {"pages/UP.TXT", "b5.txt"}, "long enough", 0, "", "pages/UP.TXT.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* page : {"elsewhere/real.html", "pages/a.html", "pages/c.html", "pages/d.html"})
      WriteFile(site_ / page, kPage);
    WriteFile(site_ / "pages/UP.TXT", kPage);
    Args arguments = {"lock", "--password-stdin"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const CliRun run = RunCli(program_, arguments, site_.path(), {c.password + "\n", {}});
    EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
    if (c.err.empty())
      EXPECT_EQ(run.err, "");
    else
      EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(site_ / "elsewhere/real.html"), kPage) << "a link's target stays as it was";
    if (c.locked) {
      EXPECT_TRUE(OpensWith(site_ / c.locked, c.password, kPage));
    }
  }
}

}  // namespace
