// The keyring on real files: each command's change, read back; each bad
// input refused with the keyring's bytes unchanged; two changes at once.
// The slots are checked the way a page's reader opens them: PBKDF2 of the
// reader's password over the site salt, then the reader wrap with its
// additional data spelled out here from the format's description.
#include "engine/keyring.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "engine/format/base64.h"
#include "engine/format/strong/site_keys.h"
#include "platform/crypto.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// Few rounds: the derivation's cost is not what these tests look at.
constexpr std::uint32_t kRounds = 1000;

TSiteKeys Open(const std::string& path, const TPassword& owner) {
  TSiteKeys keys;
  const TKeyringResult result = OpenKeyring(path, owner, &keys);
  EXPECT_TRUE(result.Done()) << (result.message.text ? result.message.text : "");
  return keys;
}

// R from the slot's reader wrap under `password_key`; empty when it does not
// open.
std::string Unwrap(const TSiteKeys& keys, const TKeySlot& slot, const std::string& password_key) {
  const std::string id(slot.id.begin(), slot.id.end());
  const std::string aad =
      "ZENDREL-AES-GCM-3\n" + Base64Encode(keys.site_salt) + "\n" + Base64Encode(id) + "\nreader key";
  platform::AesGcmKey key;
  std::string r(32, '\0');
  if (!key.SetKey(password_key) ||
      !key.Open(slot.reader_wrap.data(), aad, slot.reader_wrap.data() + 12, 48,
                reinterpret_cast<unsigned char*>(r.data())))
    return "";
  return r;
}

std::string PasswordKey(const TSiteKeys& keys, const std::string& password) {
  std::string key;
  EXPECT_TRUE(platform::DeriveKeyPbkdf2Sha256(password, keys.site_salt, keys.iterations, 32, &key));
  return key;
}

// The slot whose wrap `password` opens, giving the R the keyring holds for
// it; -1 when none does.
int SlotOpenedBy(const TSiteKeys& keys, const std::string& password) {
  const std::string p = PasswordKey(keys, password);
  for (std::size_t i = 0; i < keys.slots.size(); ++i) {
    const std::string r = Unwrap(keys, keys.slots[i], p);
    if (!r.empty()) return r == keys.slots[i].reader_key ? static_cast<int>(i) : -2;
  }
  return -1;
}

std::vector<std::string> Names(const std::string& path, const TPassword& owner) {
  std::vector<TKeyringEntry> entries;
  EXPECT_TRUE(ListKeyring(path, owner, &entries).Done());
  std::vector<std::string> names;
  for (const TKeyringEntry& e : entries) names.push_back(e.name + (e.kind == TKeyringSlotKind::Link ? "/link" : ""));
  return names;
}

class KeyringTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateKeyring(path_, "owner pw", "Ann", "ann's pw", kRounds).Done()); }
  TempDir dir_;
  std::string path_ = dir_ / "site.keyring";
};

TEST_F(KeyringTest, EachChangeReadsBackAsMade) {
  const TSiteKeys first = Open(path_, "owner pw");
  EXPECT_EQ(first.iterations, kRounds);
  EXPECT_EQ(first.site_salt.size(), 16u);
  EXPECT_EQ(first.content_key.size(), 32u);
  EXPECT_EQ(SlotOpenedBy(first, "ann's pw"), 0);

  ASSERT_TRUE(AddKeyringReader(path_, "owner pw", "Ben", "ben's pw").Done());
  std::string secret;
  ASSERT_TRUE(AddKeyringLink(path_, "owner pw", "for the press", &secret).Done());
  ASSERT_EQ(secret.size(), 32u);
  EXPECT_EQ(Names(path_, "owner pw"), (std::vector<std::string>{"Ann", "Ben", "for the press/link"}));

  TSiteKeys keys = Open(path_, "owner pw");
  EXPECT_EQ(keys.site_salt, first.site_salt);
  EXPECT_EQ(keys.content_key, first.content_key);
  EXPECT_EQ(SlotOpenedBy(keys, "ben's pw"), 1);
  // A link's password key is its secret itself.
  EXPECT_EQ(Unwrap(keys, keys.slots[2], secret), keys.slots[2].reader_key);
  EXPECT_EQ(SlotOpenedBy(keys, "nobody's pw"), -1);

  // A reader's new password opens a new R; the former one opens nothing.
  ASSERT_TRUE(ChangeKeyringReaderPassword(path_, "owner pw", "Ben", "ben's new pw").Done());
  TSiteKeys after = Open(path_, "owner pw");
  EXPECT_EQ(SlotOpenedBy(after, "ben's new pw"), 1);
  EXPECT_EQ(SlotOpenedBy(after, "ben's pw"), -1);
  EXPECT_NE(after.slots[1].reader_key, keys.slots[1].reader_key);
  EXPECT_EQ(after.slots[1].id, keys.slots[1].id);

  // The owner's new password; K and the slots stay.
  ASSERT_TRUE(ChangeKeyringOwnerPassword(path_, "owner pw", "owner's new pw").Done());
  TSiteKeys unused;
  EXPECT_EQ(OpenKeyring(path_, "owner pw", &unused).status, TKeyringStatus::WrongPassword);
  EXPECT_EQ(Open(path_, "owner's new pw").content_key, first.content_key);

  // A removal keeps K; with rotation K is new.
  ASSERT_TRUE(RemoveKeyringSlot(path_, "owner's new pw", "for the press", false).Done());
  EXPECT_EQ(Open(path_, "owner's new pw").content_key, first.content_key);
  ASSERT_TRUE(RemoveKeyringSlot(path_, "owner's new pw", "Ann", true).Done());
  const TSiteKeys rotated = Open(path_, "owner's new pw");
  EXPECT_NE(rotated.content_key, first.content_key);
  EXPECT_EQ(rotated.content_key.size(), 32u);
  EXPECT_EQ(Names(path_, "owner's new pw"), (std::vector<std::string>{"Ben"}));
  EXPECT_EQ(SlotOpenedBy(rotated, "ben's new pw"), 0);
  EXPECT_FALSE(testing_support::Exists(path_ + "~temp~"));
}

TEST_F(KeyringTest, BadRequestsChangeNothing) {
  ASSERT_TRUE(AddKeyringReader(path_, "owner pw", "Ben", "ben's pw").Done());
  const std::string before = ReadFile(path_);
  std::string secret;
  const struct {
    const char* what;
    std::function<TKeyringResult()> run;
    TKeyringStatus expected;
  } cases[] = {
      {"wrong owner password", [&] { return AddKeyringReader(path_, "owner PW", "Cy", "x"); },
       TKeyringStatus::WrongPassword},
      {"unknown name", [&] { return RemoveKeyringSlot(path_, "owner pw", "Cy", true); },
       TKeyringStatus::UnknownName},
      {"unknown reader", [&] { return ChangeKeyringReaderPassword(path_, "owner pw", "ann", "x"); },
       TKeyringStatus::UnknownName},
      {"duplicate name", [&] { return AddKeyringReader(path_, "owner pw", "Ben", "x"); }, TKeyringStatus::NameTaken},
      {"duplicate link name", [&] { return AddKeyringLink(path_, "owner pw", "Ann", &secret); },
       TKeyringStatus::NameTaken},
      {"empty name", [&] { return AddKeyringReader(path_, "owner pw", "", "x"); }, TKeyringStatus::BadName},
      {"65 characters", [&] { return AddKeyringReader(path_, "owner pw", std::string(65, 'a'), "x"); },
       TKeyringStatus::BadName},
      {"a line break", [&] { return AddKeyringReader(path_, "owner pw", "Cy\nslot", "x"); },
       TKeyringStatus::BadName},
      {"a C1 control", [&] { return AddKeyringReader(path_, "owner pw", "Cy\xC2\x85", "x"); },
       TKeyringStatus::BadName},
      {"not UTF-8", [&] { return AddKeyringReader(path_, "owner pw", "Cy\xE9", "x"); }, TKeyringStatus::BadName},
      {"reader password not UTF-8", [&] { return AddKeyringReader(path_, "owner pw", "Cy", "\xFF"); },
       TKeyringStatus::PasswordNotUtf8},
      {"init over a keyring", [&] { return CreateKeyring(path_, "owner pw", "Cy", "x", kRounds); },
       TKeyringStatus::Exists},
      {"a missing keyring", [&] { return ChangeKeyringOwnerPassword(dir_ / "missing", "owner pw", "x"); },
       TKeyringStatus::ReadFailed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.run().status, c.expected) << c.what;
    EXPECT_EQ(ReadFile(path_), before) << c.what;
  }
  // The last slot stays, and a link takes no password.
  ASSERT_TRUE(AddKeyringLink(path_, "owner pw", "L", &secret).Done());
  EXPECT_EQ(ChangeKeyringReaderPassword(path_, "owner pw", "L", "x").status, TKeyringStatus::NotAReader);
  ASSERT_TRUE(RemoveKeyringSlot(path_, "owner pw", "L", false).Done());
  ASSERT_TRUE(RemoveKeyringSlot(path_, "owner pw", "Ben", false).Done());
  EXPECT_EQ(RemoveKeyringSlot(path_, "owner pw", "Ann", false).status, TKeyringStatus::LastSlot);
  // A 64-character name of several-byte characters is a name.
  std::string long_name;
  for (int i = 0; i < 64; ++i) long_name += "\xC3\xA9";
  EXPECT_TRUE(AddKeyringReader(path_, "owner pw", long_name, "x").Done());
}

// Each damage is refused as a whole, by reading and by every change, and
// leaves the file as it was.
TEST_F(KeyringTest, DamagedKeyringsAreRefusedWhole) {
  ASSERT_TRUE(AddKeyringReader(path_, "owner pw", "Ben", "ben's pw").Done());
  const std::string good = ReadFile(path_);
  const std::string other_path = dir_ / "other.keyring";
  ASSERT_TRUE(CreateKeyring(other_path, "owner pw", "Ann", "ann's pw", kRounds).Done());
  ASSERT_TRUE(AddKeyringReader(other_path, "owner pw", "Ben", "ben's pw").Done());
  const std::string other = ReadFile(other_path);
  auto line = [](const std::string& text, const std::string& start) {
    const std::size_t at = text.find("\n" + start) + 1;
    return text.substr(at, text.find('\n', at) + 1 - at);
  };
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  const std::size_t sealed_at = good.find("\nsealed ") + 1;
  const std::string first_slot = line(good, "slot ");
  const std::string second_slot = line(good.substr(good.find(first_slot) + first_slot.size() - 1), "slot ");
  const struct {
    const char* what;
    std::string text;
    TKeyringStatus expected;
  } cases[] = {
      {"empty", "", TKeyringStatus::Foreign},
      {"another format", replaced(good, "KEYRING-1", "KEYRING-2"), TKeyringStatus::Foreign},
      {"a page", "<html>\n", TKeyringStatus::Foreign},
      {"cut after the slots", good.substr(0, sealed_at), TKeyringStatus::Damaged},
      {"cut in the sealed line", good.substr(0, sealed_at + 40), TKeyringStatus::Damaged},
      {"last line break gone", good.substr(0, good.size() - 1), TKeyringStatus::Damaged},
      {"cut in a slot", good.substr(0, good.find("\nslot ") + 30), TKeyringStatus::Damaged},
      {"a line added", good + "slot\n", TKeyringStatus::Damaged},
      {"a name edited", replaced(good, " Ben\n", " Bem\n"), TKeyringStatus::Damaged},
      {"slots swapped", replaced(good, first_slot + second_slot, second_slot + first_slot),
       TKeyringStatus::Damaged},
      {"another keyring's sealed part", replaced(good, line(good, "sealed "), line(other, "sealed ")),
       TKeyringStatus::Damaged},
      {"another keyring's slot", replaced(good, line(good, "slot "), line(other, "slot ")),
       TKeyringStatus::Damaged},
      {"rounds edited", replaced(good, "iterations 1000\n", "iterations 1001\n"), TKeyringStatus::WrongPassword},
      {"a leading zero", replaced(good, "iterations 1000\n", "iterations 01000\n"), TKeyringStatus::Damaged},
      {"two spaces", replaced(good, "iterations ", "iterations  "), TKeyringStatus::Damaged},
  };
  for (const auto& c : cases) {
    WriteFile(path_, c.text);
    TSiteKeys keys;
    EXPECT_EQ(OpenKeyring(path_, "owner pw", &keys).status, c.expected) << c.what;
    EXPECT_TRUE(keys.content_key.empty() && keys.slots.empty()) << c.what;
    EXPECT_EQ(AddKeyringReader(path_, "owner pw", "Cy", "x").status, c.expected) << c.what;
    EXPECT_EQ(ReadFile(path_), c.text) << c.what;
  }
  // Line breaks turned into CR LF (a checkout on Windows) still read.
  std::string crlf;
  for (const char c : good) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  WriteFile(path_, crlf);
  EXPECT_EQ(Names(path_, "owner pw"), (std::vector<std::string>{"Ann", "Ben"}));
}

// Changes at the same time, from threads (a process's second lock of the
// folder waits as another process's does): every one lands, none is lost,
// and the file reads whole.
TEST_F(KeyringTest, ChangesAtOnceAllLand) {
  std::vector<std::thread> threads;
  std::vector<TKeyringStatus> statuses(4);
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      statuses[i] = AddKeyringReader(path_, "owner pw", "reader " + std::to_string(i), "pw").status;
    });
  for (std::thread& t : threads) t.join();
  for (const TKeyringStatus s : statuses) EXPECT_EQ(s, TKeyringStatus::Done);
  std::vector<std::string> names = Names(path_, "owner pw");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Ann", "reader 0", "reader 1", "reader 2", "reader 3"}));
}

}  // namespace
