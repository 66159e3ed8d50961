// A keyring site as a publisher runs it: zendrel keys makes the readers and
// a link, zendrel site --keyring locks with the owner password only, and
// each act does what docs/sites.md ("Keyrings") tells readers: a republish keeps the
// content key, a removed reader's password opens no page locked after,
// --rotate ends what a browser holds, a revoked link opens nothing. Without
// a keyring, --force with another password says that the salt is new.
#include <gtest/gtest.h>

#include "engine/page_unlock.h"
#include "resources/message_table.h"
#include "tests/e2e_cli/cli_fixture.h"
#include "tests/e2e_cli/cli_runner.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

class KeyringSiteE2E : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    WriteFile(site_ / "src/index.html", kIndex);
    WriteFile(site_ / "src/docs/a.html", "<p>a document</p>");
  }

  // The program with the owner password (or `password`) in OWNER and a
  // reader's new one in NEW.
  CliRun Run(Args arguments, const std::string& fresh = "", const std::string& password = "owner password") {
    // After the command, and after keys' verb.
    const auto options = arguments.begin() + (arguments[0] == "keys" ? 2 : 1);
    arguments.insert(options, {"--password-env", "OWNER"});
    CliInput input;
    input.environment = {{"OWNER", password}};
    if (!fresh.empty()) {
      arguments.insert(arguments.begin() + 2, {"--new-password-env", "NEW"});
      input.environment.push_back({"NEW", fresh});
    }
    return RunCli(program_, arguments, site_.path(), input);
  }

  // The page opened with a share link's secret, as zendrel unlock --link:
  // the cause it failed for (its message), null when it opened.
  const char* OpenByLink(const std::string& page, const std::string& secret) {
    TUnlockKey key;
    key.kind = TUnlockKey::TKind::LinkSecret;
    EXPECT_TRUE(ShareLinkSecret(secret, &key.secret));
    TempDir out;
    return UnlockPage(page, out / "page", key).cause();
  }

  const std::string kIndex = "<h1>the top page</h1>";
};

TEST_F(KeyringSiteE2E, EachActDoesWhatTheReadersAreTold) {
  ASSERT_EQ(Run({"keys", "init", "site.keyring", "Ann"}, "ann's password").exit_code, 0);
  ASSERT_EQ(Run({"keys", "add", "site.keyring", "Ben"}, "ben's password").exit_code, 0);
  CliRun run = Run({"keys", "link", "site.keyring", "press"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string secret = run.out.substr(0, 43);

  run = Run({"site", "--keyring", "site.keyring", "src", "out"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string page = site_ / "out/index.html";
  EXPECT_TRUE(OpensWith(page, "ann's password", kIndex));
  EXPECT_TRUE(OpensWith(site_ / "out/docs/a.html", "ben's password", "<p>a document</p>"));
  EXPECT_EQ(OpenByLink(page, secret), nullptr);
  run = Run({"unlock", "--keyring", "site.keyring", "out/index.html", "by-owner.html"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(site_ / "by-owner.html"), kIndex);
  const std::string before_rotation = ReadFile(page);

  // A keyring locks with a strong template only, and asks the owner only.
  run = Run({"site", "--keyring", "site.keyring", "--template", "Source Hide", "src", "xor"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find(messages::Format(messages::kKeyringNeedsStrong, {"Source Hide"})), std::string::npos)
      << run.err;
  run = Run({"site", "--keyring", "site.keyring", "src", "wrong"}, "", "ann's password");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_FALSE(Exists(site_ / "wrong") || Exists(site_ / "xor"));

  // Removing Ben: his password opens nothing locked afterwards.
  ASSERT_EQ(Run({"keys", "remove", "site.keyring", "Ben"}).exit_code, 0);
  ASSERT_EQ(Run({"site", "--force", "--keyring", "site.keyring", "src", "out"}).exit_code, 0);
  EXPECT_FALSE(OpensWith(page, "ben's password", kIndex));
  EXPECT_TRUE(OpensWith(page, "ann's password", kIndex));
  EXPECT_EQ(OpenByLink(page, secret), nullptr);
  // The republish kept K: the keyring's owner still opens the former page.
  WriteFile(site_ / "before.html", before_rotation);
  EXPECT_EQ(Run({"unlock", "--keyring", "site.keyring", "before.html", "kept.html"}).exit_code, 0);

  // Revoking the link with --rotate: the link opens nothing, K is new, Ann's
  // unchanged password opens the pages locked afterwards.
  ASSERT_EQ(Run({"keys", "remove", "--rotate", "site.keyring", "press"}).exit_code, 0);
  ASSERT_EQ(Run({"site", "--force", "--keyring", "site.keyring", "src", "out"}).exit_code, 0);
  EXPECT_EQ(OpenByLink(page, secret), messages::kUnlockLinkOpensNoSlot);
  EXPECT_TRUE(OpensWith(page, "ann's password", kIndex));
  run = Run({"unlock", "--keyring", "site.keyring", "before.html", "rotated.html"});
  EXPECT_EQ(run.exit_code, 1);
  // "zendrel: ..." here, "zendrel-cli: ..." on Windows.
  const std::string said = std::string(": ") + messages::kUnlockKeyringNotForPage + "\n";
  EXPECT_EQ(run.err.rfind("zendrel", 0), 0u) << run.err;
  EXPECT_TRUE(run.err.size() > said.size() && run.err.substr(run.err.size() - said.size()) == said) << run.err;
}

TEST_F(KeyringSiteE2E, ForceWithAnotherPasswordSaysTheSaltIsNew) {
  ASSERT_EQ(Run({"site", "--quiet", "src", "out"}, "", "first password").exit_code, 0);
  CliRun run = Run({"site", "--quiet", "--force", "src", "out"}, "", "first password");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "");
  run = Run({"site", "--quiet", "--force", "src", "out"}, "", "second password");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, messages::Format(messages::kSiteNewSalt, {"out"}) + "\n");
  EXPECT_TRUE(OpensWith(site_ / "out/index.html", "second password", kIndex));
}

}  // namespace
