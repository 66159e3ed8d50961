// The terminal command line, case by case: what each form means, and each
// malformed one refused with its reason.
#include "app/terminal/arguments.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

struct Accepted {
  Args arguments;
  TCliAction action;
  Args operands;
};

TEST(ParseCliArguments, EachFormIsToldApart) {
  const Accepted cases[] = {
      {{}, TCliAction::Usage, {}},
      {{"--help"}, TCliAction::Help, {}},
      {{"-h", "whatever", "follows"}, TCliAction::Help, {}},
      {{"/?"}, TCliAction::Help, {}},
      {{"-?"}, TCliAction::Help, {}},
      {{"?"}, TCliAction::Help, {}},
      {{"--version"}, TCliAction::Version, {}},
      {{"-V"}, TCliAction::Version, {}},
      {{"lock", "--help"}, TCliAction::Help, {}},
      {{"site", "a", "-h"}, TCliAction::Help, {}},
      {{"lock", "p.html", "b.html"}, TCliAction::Lock, {"p.html", "b.html"}},
      {{"site", "in", "out"}, TCliAction::Site, {"in", "out"}},
      {{"unlock", "--password-stdin", "l.html", "o.html"}, TCliAction::Unlock, {"l.html", "o.html"}},
      {{"lock", "--", "-p.html", "b.html"}, TCliAction::Lock, {"-p.html", "b.html"}},
      {{"lock", "-", "b"}, TCliAction::Lock, {"-", "b"}},
      {{"Source Hide", "p.html", "b.html", "pw"},
       TCliAction::Batch,
       {"Source Hide", "p.html", "b.html", "pw"}},
      {{"T", "p", "b", "--pw"}, TCliAction::Batch, {"T", "p", "b", "--pw"}},
      // A template called "lock", "site" or "unlock" keeps its four-argument form.
      {{"lock", "p.html", "b.html", "pw"}, TCliAction::Batch, {"lock", "p.html", "b.html", "pw"}},
      {{"site", "p", "b", "pw"}, TCliAction::Batch, {"site", "p", "b", "pw"}},
      {{"unlock", "p", "b", "pw"}, TCliAction::Batch, {"unlock", "p", "b", "pw"}},
  };
  for (const Accepted& c : cases) {
    const TCliParse parse = ParseCliArguments(c.arguments);
    const std::string shown = testing::PrintToString(c.arguments);
    ASSERT_TRUE(parse.ok) << shown << ": " << parse.error;
    EXPECT_EQ(parse.command.action, c.action) << shown;
    EXPECT_EQ(parse.command.operands, c.operands) << shown;
  }
}

TEST(ParseCliArguments, OptionsAndTheirDefaults) {
  TCliParse parse = ParseCliArguments({"site", "in", "out"});
  ASSERT_TRUE(parse.ok);
  EXPECT_EQ(parse.command.template_, "Light");
  EXPECT_EQ(parse.command.password_source, TPasswordSource::Prompt);
  EXPECT_EQ(parse.command.jobs, 0u);
  EXPECT_FALSE(parse.command.quiet || parse.command.force || parse.command.yes || parse.command.strict ||
               parse.command.dry_run);
  EXPECT_TRUE(parse.command.share_url.empty() && parse.command.include.empty() &&
              parse.command.exclude.empty());

  parse = ParseCliArguments({"site",
                             "--template",
                             "Source Hide",
                             "in",
                             "--jobs=3",
                             "--quiet",
                             "--force",
                             "--include",
                             "*.php",
                             "--include=*.HTML",
                             "--exclude",
                             "drafts/*",
                             "--share-url=https://example.org/s",
                             "--password-env",
                             "PW",
                             "out",
                             "--copy",
                             "*.json",
                             "--copy=.htaccess",
                             "--strict",
                             "--dry-run",
                             "--share-page",
                             "a/b.html"});
  ASSERT_TRUE(parse.ok) << parse.error;
  const TCliCommand& c = parse.command;
  EXPECT_EQ(c.template_, "Source Hide");
  EXPECT_EQ(c.jobs, 3u);
  EXPECT_TRUE(c.quiet && c.force);
  EXPECT_EQ(c.include, (Args{"*.php", "*.HTML"}));
  EXPECT_EQ(c.exclude, (Args{"drafts/*"}));
  EXPECT_EQ(c.share_url, "https://example.org/s");
  EXPECT_EQ(c.copy, (Args{"*.json", ".htaccess"}));
  EXPECT_TRUE(c.strict && c.dry_run);
  EXPECT_EQ(c.share_page, "a/b.html");
  EXPECT_EQ(c.password_source, TPasswordSource::Environment);
  EXPECT_EQ(c.password_from, "PW");
  EXPECT_EQ(c.operands, (Args{"in", "out"}));

  struct Source {
    Args option;
    TPasswordSource source;
    std::string from;
  };
  for (const Source& s : {Source{{"--password-stdin"}, TPasswordSource::Stdin, ""},
                          Source{{"--password-file", "pw.txt"}, TPasswordSource::File, "pw.txt"},
                          Source{{"--password-file=a=b"}, TPasswordSource::File, "a=b"},
                          Source{{"--password-env", "ZPW"}, TPasswordSource::Environment, "ZPW"}}) {
    Args arguments{"lock", "--yes"};
    arguments.insert(arguments.end(), s.option.begin(), s.option.end());
    arguments.insert(arguments.end(), {"p.html", "b.html"});
    parse = ParseCliArguments(arguments);
    ASSERT_TRUE(parse.ok) << parse.error;
    EXPECT_TRUE(parse.command.yes);
    EXPECT_EQ(parse.command.password_source, s.source);
    EXPECT_EQ(parse.command.password_from, s.from);
  }
}

struct Refused {
  Args arguments;
  std::string error;
};

TEST(ParseCliArguments, MalformedCommandLinesSayWhy) {
  const Refused cases[] = {
      {{"p.html"}, "the command line names no command: lock, site, or the four arguments"},
      {{"T", "p", "b"}, "the command line names no command: lock, site, or the four arguments"},
      {{"T", "p", "b", "pw", "x"}, "the command line names no command: lock, site, or the four arguments"},
      {{"lock", "p.html"}, "lock takes a page and a backup file"},
      {{"lock", "a", "b", "c", "--yes"}, "lock takes a page and a backup file; more were given"},
      {{"site", "in"}, "site takes a source folder and an output folder"},
      {{"lock", "--template", "Dark", "p"}, "lock takes a page and a backup file"},
      {{"lock", "--bogus", "p", "b"}, "unknown option --bogus"},
      {{"lock", "--bo\ngus\x1b[2J", "p", "b"}, "unknown option --bo?gus?[2J"},
      {{"lock", "--password", "secret", "p", "b"},
       "there is no --password option: a password on the command line is seen by every local user; use "
       "--password-stdin, --password-file or --password-env, or let lock ask for it"},
      {{"lock", "--password=secret", "p", "b"},
       "there is no --password option: a password on the command line is seen by every local user; use "
       "--password-stdin, --password-file or --password-env, or let lock ask for it"},
      {{"lock", "p", "b", "--template"}, "--template needs a value"},
      {{"lock", "--template=", "p", "b"}, "--template needs a value"},
      {{"lock", "--yes=no", "p", "b"}, "--yes takes no value"},
      {{"lock", "--force", "p", "b"}, "--force does not apply to lock"},
      {{"lock", "--include", "*.x", "p", "b"}, "--include does not apply to lock"},
      {{"site", "--yes", "in", "out"}, "--yes does not apply to site"},
      {{"unlock", "l.html"}, "unlock takes a locked page and an output file"},
      {{"unlock", "--jobs", "2", "l", "o"}, "--jobs does not apply to unlock"},
      {{"unlock", "--password", "pw", "l", "o"},
       "there is no --password option: a password on the command line is seen by every local user; use "
       "--password-stdin, --password-file or --password-env, or let unlock ask for it"},
      {{"site", "--password-stdin", "--password-env", "X", "in", "out"}, "name one password source only"},
      {{"site", "--password-file", "a", "--password-file", "b", "in", "out"},
       "name one password source only"},
      {{"site", "--template", "A", "--template", "B", "in", "out"}, "--template is given twice"},
      {{"site", "--jobs", "0", "in", "out"}, "--jobs takes a whole number from 1 to 1024"},
      {{"site", "--jobs", "1025", "in", "out"}, "--jobs takes a whole number from 1 to 1024"},
      {{"site", "--jobs", "-2", "in", "out"}, "--jobs takes a whole number from 1 to 1024"},
      {{"site", "--jobs", "2x", "in", "out"}, "--jobs takes a whole number from 1 to 1024"},
      {{"site", "--jobs", "99999999999999999999", "in", "out"}, "--jobs takes a whole number from 1 to 1024"},
      {{"site", "--share-url", "example org", "in", "out"},
       "--share-url takes an http, https or file URL without a query or a fragment"},
      {{"lock", "--share-url=https://h/club?x=1#top", "p", "b"},
       "--share-url takes an http, https or file URL without a query or a fragment"},
      {{"site", "--share-page", "a.html", "in", "out"}, "--share-page needs --share-url"},
      {{"lock", "--copy", "*.css", "p", "b"}, "--copy does not apply to lock"},
      {{"lock", "--dry-run", "p", "b"}, "--dry-run does not apply to lock"},
      {{"lock", "--keyring", "k", "p", "b"}, "--keyring does not apply to lock"},
      {{"site", "--link", "in", "out"}, "--link does not apply to site"},
      {{"site", "--keyring", "k", "--share-url", "https://h/", "in", "out"},
       "--share-url does not apply to a keyring site: its share links come from \"zendrel keys link\""},
      {{"unlock", "--link", "--keyring", "k", "l", "o"},
       "--link and --keyring are two ways to open the page: name one"},
  };
  for (const Refused& c : cases) {
    const TCliParse parse = ParseCliArguments(c.arguments);
    EXPECT_FALSE(parse.ok) << testing::PrintToString(c.arguments);
    EXPECT_EQ(parse.error, c.error) << testing::PrintToString(c.arguments);
  }
}

// zendrel-unlock's own command line: the password may still come third.
TEST(ParseUnlockArguments, TheThirdOperandIsThePasswordWhenNoSourceIsNamed) {
  struct Case {
    Args arguments;
    TCliAction action;
    TPasswordSource source;
    std::string from;  // for a refusal: its error
  };
  const Case cases[] = {
      {{"--help"}, TCliAction::Help, TPasswordSource::Prompt, ""},
      {{"-V"}, TCliAction::Version, TPasswordSource::Prompt, ""},
      {{"l", "o"}, TCliAction::Unlock, TPasswordSource::Prompt, ""},
      {{"l", "o", "pass word"}, TCliAction::Unlock, TPasswordSource::Argument, "pass word"},
      {{"--password-env", "V", "l", "o"}, TCliAction::Unlock, TPasswordSource::Environment, "V"},
      {{"--password-env", "V", "l", "o", "pw"}, TCliAction::Usage, {}, "name one password source only"},
      {{"l"}, TCliAction::Usage, {}, "unlock takes a locked page and an output file"},
      {{"l", "o", "pw", "x"},
       TCliAction::Usage,
       {},
       "unlock takes a locked page and an output file; more were given"},
      {{"--template", "Dark", "l", "o"}, TCliAction::Usage, {}, "--template does not apply to unlock"},
      {{"--link", "l", "o"}, TCliAction::Unlock, TPasswordSource::Prompt, ""},
      {{"--link", "--password-env", "V", "l", "o"}, TCliAction::Unlock, TPasswordSource::Environment, "V"},
      {{"--keyring", "k", "--password-stdin", "l", "o"}, TCliAction::Unlock, TPasswordSource::Stdin, ""},
      {{"--link", "l", "o", "https://h/#zendrel-key=x"},
       TCliAction::Usage,
       {},
       "--link reads the link from --password-stdin, --password-file, --password-env or the terminal, never "
       "from the command line"},
  };
  for (const Case& c : cases) {
    const TCliParse parse = ParseUnlockArguments(c.arguments);
    const std::string shown = testing::PrintToString(c.arguments);
    EXPECT_EQ(parse.ok, c.action != TCliAction::Usage) << shown << ": " << parse.error;
    if (!parse.ok) {
      EXPECT_EQ(parse.error, c.from) << shown;
      continue;
    }
    EXPECT_EQ(parse.command.action, c.action) << shown;
    EXPECT_EQ(parse.command.password_source, c.source) << shown;
    EXPECT_EQ(parse.command.password_from, c.from) << shown;
    if (c.action == TCliAction::Unlock) {
      EXPECT_EQ(parse.command.operands, (Args{"l", "o"})) << shown;
      EXPECT_EQ(parse.command.link, c.arguments[0] == "--link") << shown;
      EXPECT_EQ(parse.command.keyring, c.arguments[0] == "--keyring" ? "k" : "") << shown;
    }
  }
}

}  // namespace

// The keys command: its verb first, then the options its verb takes.
TEST(ParseCliArguments, KeysCommands) {
  struct Case {
    Args arguments;
    std::string verb;
    Args operands;
    TPasswordSource owner, fresh;
    std::string error;  // empty: accepted
  };
  using S = TPasswordSource;
  const Case cases[] = {
      {{"keys", "init", "k", "Ann"}, "init", {"k", "Ann"}, S::Prompt, S::Prompt, ""},
      {{"keys", "add", "--password-env", "O", "k", "Ben", "--new-password-stdin"},
       "add", {"k", "Ben"}, S::Environment, S::Stdin, ""},
      {{"keys", "passwd", "--password-stdin", "--new-password-file=n", "k"}, "passwd", {"k"}, S::Stdin, S::File,
       ""},
      {{"keys", "passwd", "k", "Ann", "--new-password-env", "N"}, "passwd", {"k", "Ann"}, S::Prompt,
       S::Environment, ""},
      {{"keys", "link", "k", "press", "--share-url", "https://h/s", "--share-page", "a.html"},
       "link", {"k", "press"}, S::Prompt, S::Prompt, ""},
      {{"keys", "remove", "--rotate", "k", "Ben"}, "remove", {"k", "Ben"}, S::Prompt, S::Prompt, ""},
      {{"keys", "list", "--", "-k"}, "list", {"-k"}, S::Prompt, S::Prompt, ""},
      {{"keys"}, "", {}, {}, {}, "keys takes a command first: init, add, link, remove, list or passwd"},
      {{"keys", "k", "init"}, "", {}, {}, {}, "keys takes a command first: init, add, link, remove, list or passwd"},
      {{"keys", "add", "k"}, "", {}, {}, {}, "keys add takes a keyring and a name"},
      {{"keys", "list", "k", "Ann", "B"}, "", {}, {}, {}, "keys list takes a keyring; more were given"},
      {{"keys", "passwd", "k", "a", "b"},
       "", {}, {}, {}, "keys passwd takes a keyring and, for a reader's password, the reader's name; more were given"},
      {{"keys", "add", "--password-stdin", "--new-password-stdin", "k", "B"},
       "", {}, {}, {}, "the owner password and the new one cannot both come from standard input"},
      {{"keys", "add", "--new-password-env", "A", "--new-password-env", "B", "k", "B"},
       "", {}, {}, {}, "name one new password source only"},
      {{"keys", "list", "--new-password-env", "A", "k"}, "", {}, {}, {}, "--new-password-* does not apply to keys list"},
      {{"keys", "add", "--rotate", "k", "B"}, "", {}, {}, {}, "--rotate does not apply to keys add"},
      {{"keys", "add", "--share-url", "https://h", "k", "B"}, "", {}, {}, {}, "--share-url does not apply to keys add"},
      {{"keys", "add", "--template", "Dark", "k", "B"}, "", {}, {}, {}, "--template does not apply to keys add"},
      {{"keys", "add", "--password", "pw", "k", "B"},
       "", {}, {}, {},
       "there is no --password option: a password on the command line is seen by every local user; use "
       "--password-stdin, --password-file or --password-env, or let keys add ask for it"},
      {{"site", "--rotate", "in", "out"}, "", {}, {}, {}, "--rotate does not apply to site"},
  };
  for (const Case& c : cases) {
    const TCliParse parse = ParseCliArguments(c.arguments);
    const std::string shown = testing::PrintToString(c.arguments);
    if (!c.error.empty()) {
      EXPECT_FALSE(parse.ok) << shown;
      EXPECT_EQ(parse.error, c.error) << shown;
      continue;
    }
    ASSERT_TRUE(parse.ok) << shown << ": " << parse.error;
    EXPECT_EQ(parse.command.action, TCliAction::Keys) << shown;
    EXPECT_EQ(parse.command.keys_verb, c.verb) << shown;
    EXPECT_EQ(parse.command.operands, c.operands) << shown;
    EXPECT_EQ(parse.command.password_source, c.owner) << shown;
    EXPECT_EQ(parse.command.new_password_source, c.fresh) << shown;
  }
  // The keys help, and a template called "keys" in the four-argument form.
  TCliParse help = ParseCliArguments({"keys", "--help"});
  EXPECT_TRUE(help.ok && help.command.action == TCliAction::Help && !help.command.keys_verb.empty());
  help = ParseCliArguments({"keys", "add", "k", "-h"});
  EXPECT_TRUE(help.ok && help.command.action == TCliAction::Help && !help.command.keys_verb.empty());
  EXPECT_EQ(ParseCliArguments({"keys", "p.html", "b.html", "pw"}).command.action, TCliAction::Batch);
}
