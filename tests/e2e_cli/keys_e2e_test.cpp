// zendrel keys as a person or a script runs it: every command with its
// passwords from the environment, standard input or files; what each prints;
// each refusal's exit code with the keyring unchanged; two commands at once.
// The keyring it makes is left in keyring_cases/ for the independent check
// (check_keyring.js, the CTest step keyring_node_check).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "tests/e2e_cli/cli_fixture.h"
#include "tests/e2e_cli/cli_runner.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : bytes) hex += std::string{kDigits[c >> 4], kDigits[c & 15]};
  return hex;
}

class KeysE2E : public CliFixture {
 protected:
  // Runs `keys` with the owner password in OWNER and a new one, if any, in
  // NEW.
  CliRun Keys(const Args& arguments, const std::string& owner = "owner password",
              const std::string& fresh = "") {
    Args all{"keys"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    all.insert(all.begin() + 2, {"--password-env", "OWNER"});
    CliInput input;
    input.environment = {{"OWNER", owner}};
    if (!fresh.empty()) {
      all.insert(all.begin() + 2, {"--new-password-env", "NEW"});
      input.environment.push_back({"NEW", fresh});
    }
    return RunCli(program_, all, site_.path(), input);
  }
  std::string keyring_ = site_ / "site.keyring";
};

TEST_F(KeysE2E, EachCommandDoesWhatItSays) {
  CliRun run = Keys({"init", "site.keyring", "Ann"}, "owner password", "ann's password");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "");
  // The new password from standard input, the owner's from a file.
  WriteFile(site_ / "owner.txt", "owner password\r\n");
  run = RunCli(program_,
               {"keys", "add", "--password-file", "owner.txt", "--new-password-stdin", "site.keyring", "Ben"},
               site_.path(), {"ben's password\n", {}});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  run = Keys({"add", "site.keyring", "Cy"}, "owner password", "short");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("Warning: the password is shorter than 10 characters"), std::string::npos) << run.err;

  run = Keys({"link", "site.keyring", "bare"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(std::regex_match(run.out, std::regex("[A-Za-z0-9_-]{43}\n"))) << run.out;
  const std::string bare_secret = run.out.substr(0, 43);
  run = Keys({"link", "site.keyring", "press", "--share-url", "https://example.org/docs", "--share-page", "a b.html"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::regex link("https://example\\.org/docs/a%20b\\.html#zendrel-key=([A-Za-z0-9_-]{43})\n");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(run.out, match, link)) << run.out;
  const std::string press_secret = match[1];

  run = Keys({"remove", "site.keyring", "Cy"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  run = Keys({"passwd", "site.keyring", "Ben"}, "owner password", "ben's new password");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  run = Keys({"passwd", "site.keyring"}, "owner password", "new owner password");
  ASSERT_EQ(run.exit_code, 0) << run.err;

  run = Keys({"list", "site.keyring"}, "new owner password");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string when = "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ";
  EXPECT_TRUE(std::regex_match(run.out, std::regex("reader  " + when + "  Ann\nreader  " + when + "  Ben\nlink    " +
                                                   when + "  bare\nlink    " + when + "  press\n")))
      << run.out;
  // No secret shows in the list or in the keyring.
  for (const std::string& secret : {bare_secret, press_secret}) {
    EXPECT_EQ(run.out.find(secret), std::string::npos);
    EXPECT_EQ(ReadFile(keyring_).find(secret), std::string::npos);
  }

  // For the independent check: the keyring and what should open it.
  namespace fs = std::filesystem;
  fs::create_directories("keyring_cases");
  fs::copy_file(keyring_, "keyring_cases/site.keyring", fs::copy_options::overwrite_existing);
  std::ofstream cases("keyring_cases/cases.txt", std::ios::binary);
  cases << "owner\t" << Hex("new owner password") << "\nreader\tAnn\t" << Hex("ann's password")
        << "\nreader\tBen\t" << Hex("ben's new password") << "\nlink\tbare\t" << bare_secret << "\nlink\tpress\t"
        << press_secret << "\nrefused\t" << Hex("ben's password") << "\nrefused\t" << Hex("short") << "\n";
}

TEST_F(KeysE2E, RefusalsChangeNothing) {
  ASSERT_EQ(Keys({"init", "site.keyring", "Ann"}, "owner password", "ann's password").exit_code, 0);
  const std::string before = ReadFile(keyring_);
  const struct {
    Args arguments;
    std::string owner, fresh;
    int exit_code;
    std::string says;
  } cases[] = {
      {{"add", "site.keyring", "Ben"}, "owner passw0rd", "x", 1,
       "The owner password does not open the keyring site.keyring."},
      {{"remove", "site.keyring", "ben"}, "owner password", "", 1,
       "The keyring site.keyring has no reader or link called ben."},
      {{"add", "site.keyring", "Ann"}, "owner password", "x", 1,
       "The keyring site.keyring has a reader or link called Ann already."},
      {{"init", "site.keyring", "Ben"}, "owner password", "x", 1, "site.keyring exists already"},
      {{"remove", "site.keyring", "Ann"}, "owner password", "", 1, "Ann is the keyring's only reader or link"},
      {{"add", "site.keyring", "Ben\tBen"}, "owner password", "x", 1, "A reader's or link's name is 1 to 64"},
      {{"list", "site.keyring", "--rotate"}, "owner password", "", 2, "--rotate does not apply to keys list"},
      {{"list", "other.keyring"}, "owner password", "", 1, "Cannot read the keyring other.keyring"},
  };
  for (const auto& c : cases) {
    const CliRun run = Keys(c.arguments, c.owner, c.fresh);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(keyring_), before) << c.says;
  }
  // Both passwords cannot come from standard input; with no terminal and no
  // source named, nothing is asked.
  CliRun run = RunCli(program_, {"keys", "add", "--password-stdin", "--new-password-stdin", "site.keyring", "B"},
                      site_.path(), {"a\nb\n", {}});
  EXPECT_EQ(run.exit_code, 2);
  run = RunCli(program_, {"keys", "list", "site.keyring"}, site_.path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("Standard input is not a terminal"), std::string::npos) << run.err;
  // A cut keyring is refused whole and stays as it is.
  const std::string cut = before.substr(0, before.size() - 10);
  WriteFile(keyring_, cut);
  run = Keys({"add", "site.keyring", "Ben"}, "owner password", "ben's password");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("The keyring site.keyring is damaged"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(keyring_), cut);
}

// Two programs adding at once: the second waits for the first, and both
// names are in the keyring.
TEST_F(KeysE2E, TwoAddsAtOnceBothLand) {
  ASSERT_EQ(Keys({"init", "site.keyring", "Ann"}, "owner password", "ann's password").exit_code, 0);
  CliRun first, second;
  std::thread a([&] { first = Keys({"add", "site.keyring", "Ben"}, "owner password", "ben's password"); });
  std::thread b([&] { second = Keys({"add", "site.keyring", "Cy"}, "owner password", "cy's password1"); });
  a.join();
  b.join();
  EXPECT_EQ(first.exit_code, 0) << first.err;
  EXPECT_EQ(second.exit_code, 0) << second.err;
  const CliRun list = Keys({"list", "site.keyring"});
  EXPECT_EQ(list.exit_code, 0) << list.err;
  for (const char* name : {"  Ann\n", "  Ben\n", "  Cy\n"}) EXPECT_NE(list.out.find(name), std::string::npos);
}

}  // namespace
