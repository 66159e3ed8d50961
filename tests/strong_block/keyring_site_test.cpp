// A keyring site (format 3), checked two ways: the test locks a site with
// keys as a keyring holds them (two readers and a share link) into
// keyring_site_cases/ and opens every page with the unlock the terminal
// uses, by each reader's password, by the link and by the content key;
// then it writes each tampered copy of one page (the table below) and
// checks the unlock refuses it. check_keyring_pages.js (the CTest step
// keyring_site_node_check, after this test) opens the same pages from the
// description in docs/formats.md with Node's crypto and refuses the same copies.
// Besides: --force over a format 2 site keeps its site salt for the same
// password and draws a new one, said as a warning, for another.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/format/base64.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/site_keys.h"
#include "engine/page_unlock.h"
#include "engine/site_lock.h"
#include "resources/message_table.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_bytes.h"
#include "tests/support/test_site_keys.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const std::string kCases = "keyring_site_cases";
// Fewer rounds than a keyring draws, so that the many opens stay quick;
// the page names its count and every reader follows it.
constexpr unsigned kIterations = 20000;

std::string StrongStartPage() {
  return "<html><head><meta name=\"zendrel-protection\" content=\"aes-256-gcm\"><script>\r\nvar page = "
         "[].concat(\r\n//Page Begin\r\n'placeholder',\r\n//Page End\r\n);\r\n</script></head></html>\r\n";
}

std::string XorStartPage() {
  return "<html><head><script>\r\nvar page = [].concat(\r\n//Page Begin\r\n'placeholder',\r\n//Page "
         "End\r\n);\r\n</script></head></html>\r\n";
}

std::string Random(std::size_t n) { return SystemRandomBytes(n); }

std::shared_ptr<TSiteKeys> MakeKeys(const std::string& site_salt, const std::vector<std::string>& passwords,
                                    const std::vector<std::string>& links) {
  return MakeSiteKeys(site_salt, kIterations, passwords, links);
}

// What a failed run tells (its message with its arguments), "" when none.
std::string Told(const TOutcome& outcome) {
  const TLockMessage& message = outcome.problem.message;
  return message.text ? messages::Format(message.text, message.arguments) + " " + outcome.problem.reason : "";
}

class TRecordingObserver : public TRunObserver {
 public:
  void Warn(const TLockMessage& warning) override { warnings.push_back(warning.text); }
  std::vector<std::string> warnings;
};

TSiteResult LockWith(const std::string& root, const std::string& template_name, const TPassword& password,
                     std::shared_ptr<TSiteKeys> keys, const std::string& out, TRecordingObserver* observer,
                     bool force = false) {
  TSiteRequest request;
  request.template_ = {template_name, root + "Templates/" + template_name + "/", {}};
  request.source = root + "site";
  request.output = root + out;
  request.password = password;
  request.keys = std::move(keys);
  request.include = {"*.html", "*.txt"};
  request.force = force;
  return LockSite(request, *observer);
}

// The block's literal lines of a locked page: what lies between the line
// after "//Page Begin" and "//Page End", each with its quotes and ending.
struct TPageLines {
  std::string before, after;
  std::vector<std::string> lines;
};

TPageLines SplitPage(const std::string& page) {
  TPageLines split;
  const std::size_t begin = page.find("//Page Begin\r\n") + 14;
  const std::size_t end = page.find("//Page End");
  split.before = page.substr(0, begin);
  split.after = page.substr(end);
  for (std::size_t at = begin; at < end;) {
    const std::size_t eol = page.find("\r\n", at) + 2;
    split.lines.push_back(page.substr(at, eol - at));
    at = eol;
  }
  return split;
}

std::string Join(const TPageLines& split) {
  std::string page = split.before;
  for (const auto& line : split.lines) page += line;
  return page + split.after;
}

// A line's literal contents, and the line with other contents.
std::string Contents(const std::string& line) { return line.substr(1, line.find('\'', 1) - 1); }
std::string WithContents(const std::string& line, const std::string& contents) {
  return "'" + contents + line.substr(line.find('\'', 1));
}

std::string SlotBytes(const TPageLines& page, std::size_t slot) {
  std::string bytes;
  EXPECT_TRUE(Base64Decode(Contents(page.lines[7 + slot]), &bytes));
  return bytes;
}

void SetSlot(TPageLines* page, std::size_t slot, const std::string& bytes) {
  page->lines[7 + slot] = WithContents(page->lines[7 + slot], Base64Encode(bytes));
}

// Swaps bytes [from, from + size) of two slots.
void SwapPart(TPageLines* page, std::size_t from, std::size_t size) {
  std::string a = SlotBytes(*page, 0), b = SlotBytes(*page, 1);
  std::string part = a.substr(from, size);
  a.replace(from, size, b.substr(from, size));
  b.replace(from, size, part);
  SetSlot(page, 0, a);
  SetSlot(page, 1, b);
}

TEST(KeyringSite, ReadersLinksAndTamperedSlots) {
  fs::remove_all(kCases);
  const std::string root =
      (fs::current_path() / kCases).string() + static_cast<char>(fs::path::preferred_separator);
  WriteFile(root + "site/index.html", "<h1>home</h1>");
  WriteFile(root + "site/docs/big.html", RandomBytes(2 * 65536 + 5, 7));
  WriteFile(root + "site/notes.txt", "plain text");
  WriteFile(root + "Templates/Strong/index.html", StrongStartPage());
  WriteFile(root + "Templates/Strong/zendrel-unlock.js", "decoder();");
  WriteFile(root + "Templates/Xor/index.html", XorStartPage());

  const std::vector<std::string> passwords = {"alice's password", "b\xC3\xB6" "b's password"};
  const std::string link = Random(32);
  const std::string salt = Random(16);
  const auto keys = MakeKeys(salt, passwords, {link});
  TRecordingObserver observer;
  const TSiteResult result = LockWith(root, "Strong", TPassword(""), keys, "out", &observer);
  ASSERT_TRUE(result.ok()) << Told(result);
  EXPECT_TRUE(result.site_key.empty()) << "a keyring site's content key never leaves the lock";

  // A keyring locks with a strong template only.
  const TSiteResult xor_result = LockWith(root, "Xor", TPassword(""), keys, "xor-out", &observer);
  EXPECT_FALSE(xor_result.ok());
  EXPECT_EQ(xor_result.cause(), messages::kKeyringNeedsStrong);
  EXPECT_FALSE(Exists(root + "xor-out"));

  const std::vector<std::pair<std::string, std::string>> pages = {
      {"out/index.html", "site/index.html"},
      {"out/docs/big.html", "site/docs/big.html"},
      {"out/notes.txt.html", "site/notes.txt"}};
  std::ofstream cases(root + "cases.txt", std::ios::binary);
  cases << Hex(passwords[0]) << '\t' << Hex(passwords[1]) << '\t' << Hex(link) << '\n';
  int opened = 0;
  for (const auto& [locked, source] : pages) {
    cases << "open\t" << locked << '\t' << source << '\n';
    std::vector<TUnlockKey> ways(4);
    ways[0].password = TPassword(passwords[0], passwords[0]);
    ways[1].password = TPassword(passwords[1], passwords[1]);
    ways[2].kind = TUnlockKey::TKind::LinkSecret;
    ways[2].secret = link;
    ways[3].kind = TUnlockKey::TKind::ContentKey;
    ways[3].secret = keys->content_key;
    ways[3].site_salt = salt;
    for (const TUnlockKey& way : ways) {
      const std::string out = root + "opened-" + std::to_string(opened++);
      const TUnlockResult unlocked = UnlockPage(root + locked, out, way);
      ASSERT_TRUE(unlocked.ok()) << locked << ": " << Told(unlocked);
      EXPECT_EQ(ReadFile(out), ReadFile(root + source)) << locked;
    }
  }

  // What opens nothing: another password, a link not in the page, K of
  // another keyring.
  const std::string index = root + "out/index.html";
  TUnlockKey wrong;
  wrong.password = "another password";
  EXPECT_EQ(Told(UnlockPage(index, root + "wrong-1", wrong)),
            messages::Format(messages::kUnlockNoSlotOpens, {"3"}) + " ");
  TUnlockKey revoked;
  revoked.kind = TUnlockKey::TKind::LinkSecret;
  revoked.secret = Random(32);
  EXPECT_EQ(UnlockPage(index, root + "wrong-2", revoked).cause(), messages::kUnlockLinkOpensNoSlot);
  TUnlockKey rotated;
  rotated.kind = TUnlockKey::TKind::ContentKey;
  rotated.secret = Random(32);
  rotated.site_salt = salt;
  EXPECT_EQ(UnlockPage(index, root + "wrong-3", rotated).cause(), messages::kUnlockKeyringNotForPage);

  // Every page of one run carries the same slots, and another run's site
  // (its own salt, or the same salt with another K) gives the foreign ones.
  const TPageLines page = SplitPage(ReadFile(index));
  ASSERT_EQ(Contents(page.lines[6]), "3");
  const TPageLines big = SplitPage(ReadFile(root + "out/docs/big.html"));
  EXPECT_EQ(std::vector<std::string>(page.lines.begin() + 7, page.lines.begin() + 10),
            std::vector<std::string>(big.lines.begin() + 7, big.lines.begin() + 10));
  ASSERT_TRUE(LockWith(root, "Strong", TPassword(""), MakeKeys(Random(16), passwords, {}), "other", &observer).ok());
  ASSERT_TRUE(LockWith(root, "Strong", TPassword(""), MakeKeys(salt, passwords, {}), "same-salt", &observer).ok());
  const TPageLines other = SplitPage(ReadFile(root + "other/index.html"));
  const TPageLines same_salt = SplitPage(ReadFile(root + "same-salt/index.html"));

  // Each copy is opened with the first reader's password.
  struct TTamper {
    const char* name;
    std::function<void(TPageLines*)> change;
    const char* expected;  // the cause's message
  };
  const std::size_t id = kStrongSlotIdSize, wrap = kStrongWrapSize;
  const TTamper tampers[] = {
      {"reader-wraps-swapped", [&](TPageLines* p) { SwapPart(p, id, wrap); }, messages::kUnlockNoSlotOpens},
      {"content-wraps-swapped", [&](TPageLines* p) { SwapPart(p, id + wrap, wrap); }, messages::kUnlockDamaged},
      {"ids-swapped", [&](TPageLines* p) { SwapPart(p, 0, id); }, messages::kUnlockNoSlotOpens},
      {"slot-truncated",
       [&](TPageLines* p) { SetSlot(p, 0, SlotBytes(*p, 0).substr(0, kStrongSlotSize - 3)); },
       messages::kUnlockDamaged},
      {"slot-from-another-site", [&](TPageLines* p) { p->lines[7] = other.lines[7]; },
       messages::kUnlockNoSlotOpens},
      {"slot-from-another-keyring-same-salt", [&](TPageLines* p) { p->lines[7] = same_salt.lines[7]; },
       messages::kUnlockDamaged},
      {"slot-count-lowered", [&](TPageLines* p) { p->lines[6] = WithContents(p->lines[6], "2"); },
       messages::kUnlockDamaged},
      {"slot-count-raised", [&](TPageLines* p) { p->lines[6] = WithContents(p->lines[6], "4"); },
       messages::kUnlockDamaged},
      {"slot-removed",
       [&](TPageLines* p) {
         p->lines.erase(p->lines.begin() + 9);
         p->lines[6] = WithContents(p->lines[6], "2");
       },
       messages::kUnlockDamaged},
      {"slot-count-zero", [&](TPageLines* p) { p->lines[6] = WithContents(p->lines[6], "0"); },
       messages::kUnlockDamaged},
      {"slot-count-over-the-cap", [&](TPageLines* p) { p->lines[6] = WithContents(p->lines[6], "4097"); },
       messages::kUnlockDamaged},
  };
  for (const TTamper& tamper : tampers) {
    TPageLines copy = page;
    tamper.change(&copy);
    const std::string path = std::string("tampered-") + tamper.name + ".html";
    WriteFile(root + path, Join(copy));
    cases << "refuse\t" << path << '\n';
    TUnlockKey alice;
    alice.password = TPassword(passwords[0], passwords[0]);
    const TUnlockResult refused = UnlockPage(root + path, root + path + ".out", alice);
    EXPECT_EQ(refused.cause(), tamper.expected) << tamper.name << ": " << Told(refused);
    EXPECT_FALSE(Exists(root + path + ".out")) << tamper.name;
  }
}

// The site salt literal of a locked page.
std::string SiteSalt(const std::string& page) { return Contents(SplitPage(ReadFile(page)).lines[2]); }

TEST(KeyringSite, ForceKeepsTheSaltForTheSamePasswordOnly) {
  TempDir dir;
  const std::string root = dir.path() + static_cast<char>(fs::path::preferred_separator);
  WriteFile(root + "site/index.html", "<h1>home</h1>");
  WriteFile(root + "site/a/page.html", "<h1>page</h1>");
  WriteFile(root + "Templates/Strong/index.html", StrongStartPage());
  TRecordingObserver first, same, other;
  ASSERT_TRUE(LockWith(root, "Strong", "first password", nullptr, "out", &first).ok());
  const std::string salt = SiteSalt(root + "out/index.html");

  WriteFile(root + "site/index.html", "<h1>home, edited</h1>");
  ASSERT_TRUE(LockWith(root, "Strong", "first password", nullptr, "out", &same, true).ok());
  EXPECT_EQ(SiteSalt(root + "out/index.html"), salt);
  EXPECT_EQ(SiteSalt(root + "out/a/page.html"), salt);
  EXPECT_TRUE(same.warnings.empty());

  ASSERT_TRUE(LockWith(root, "Strong", "second password", nullptr, "out", &other, true).ok());
  EXPECT_NE(SiteSalt(root + "out/index.html"), salt);
  EXPECT_EQ(other.warnings, std::vector<std::string>{messages::kSiteNewSalt});
  EXPECT_TRUE(UnlockPage(root + "out/index.html", root + "opened", "second password").ok());
  EXPECT_EQ(ReadFile(root + "opened"), "<h1>home, edited</h1>");
}

}  // namespace
