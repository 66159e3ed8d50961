// The strong block as the writer produces it. The shape is checked here; the
// cryptography is checked independently: every block is written, with its
// page and password, into strong_block_cases/ in the working folder, and
// check_strong_blocks.js decrypts them with Node's crypto (the CTest step
// strong_block_node_check, which runs after this test on both builds).
#include "engine/strong_block.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/base64.h"
#include "platform/platform.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::BlockLines;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using namespace std::string_literals;

const std::string kCases = "strong_block_cases";

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(random());
  return s;
}

std::string EveryByte() {
  std::string s;
  for (int round = 0; round < 3; ++round)
    for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
  return "\0\0<html>\0"s + s + "\0"s;
}

struct Case {
  const char* name;
  std::string page;
  bool text;
  std::string typed_password;
  // The password as UTF-8, as a decoder on any system derives the key.
  std::string utf8_password;
};

// The non-ASCII password as a person types it: the system's code page on
// Windows (Windows-1252 here), UTF-8 on Linux.
#ifdef _WIN32
const char kTypedCafe[] = "caf\xE9";
#else
const char kTypedCafe[] = "caf\xC3\xA9";
#endif

std::vector<Case> Cases() {
  const std::string page = "<!DOCTYPE html><html><body><h1>Same page</h1></body></html>";
  return {
      {"every_byte", EveryByte(), false, "secret", "secret"},
      {"empty", "", false, "secret", "secret"},
      {"text_page", "plain text\r\nwith <markup> & 'quotes'\r\n", true, "pw", "pw"},
      {"non_ascii_password", page, false, kTypedCafe, "caf\xC3\xA9"},
      {"multi_chunk", RandomBytes(200 * 1024, 1), false, "long passphrase here", "long passphrase here"},
      {"two_full_chunks", RandomBytes(2 * 65536, 2), false, "x", "x"},
      {"one_chunk_and_a_byte", RandomBytes(65537, 3), false, "x", "x"},
      {"same_page_first", page, false, "secret", "secret"},
      {"same_page_second", page, false, "secret", "secret"},
  };
}

// The block's lines: five header literals, then base64 lines of 100
// characters but the last, which is 1 to 100 long.
void CheckShape(const std::string& block, bool text) {
  const auto lines = BlockLines(block);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "'ZENDREL-AES-GCM-1',");
  EXPECT_EQ(lines[1], "'600000',");
  EXPECT_EQ(lines[2].size(), 1 + 24 + 2u);
  EXPECT_EQ(lines[3].size(), 1 + 12 + 2u);
  EXPECT_EQ(lines[4], text ? "'text'," : "'html',");
  for (std::size_t i = 5; i < lines.size(); ++i) {
    const bool last = i + 1 == lines.size();
    const std::string& line = lines[i];
    ASSERT_EQ(line.front(), '\'');
    ASSERT_EQ(line.substr(line.size() - (last ? 3 : 2)), last ? "');" : "',") << i;
    const std::size_t length = line.size() - (last ? 4 : 3);
    if (!last) {
      EXPECT_EQ(length, 100u) << i;
    }
    EXPECT_TRUE(length > 0 && length <= 100) << i;
  }
}

TEST(StrongBlock, WritesEveryCaseForTheIndependentCheck) {
  // The cases stay for the Node step; an earlier run's are overwritten.
  platform::MakeDirectory(kCases);
  const std::string dir = kCases + platform::PathSeparator();
  std::string manifest;
  std::vector<std::string> salts;
  for (const auto& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::string page_path = dir + c.name + ".page";
    WriteFile(page_path, c.page);
    TStringSink sink;
    ASSERT_TRUE(WriteStrongBlock(page_path, c.typed_password, c.text, sink));
    CheckShape(sink.Text, c.text);
    WriteFile(dir + c.name + ".block", sink.Text);
    manifest += std::string(c.name) + (c.text ? " text " : " html ") + Hex(c.utf8_password) + " - -\n";
  }
  // Given salt and prefix are written as given.
  const std::string salt = "0123456789abcdef", prefix = "nonce!!";
  WriteFile(dir + "fixed.page", "fixed");
  TStringSink fixed;
  ASSERT_TRUE(WriteStrongBlock(dir + "fixed.page", "pw", false, salt, prefix, fixed));
  EXPECT_EQ(BlockLines(fixed.Text)[2], "'" + Base64Encode(salt) + "',");
  WriteFile(dir + "fixed.block", fixed.Text);
  manifest += "fixed html " + Hex("pw") + " " + Hex(salt) + " " + Hex(prefix) + "\n";
  WriteFile(dir + "cases.txt", manifest);
}

TEST(StrongBlock, TwoLocksOfOnePageDrawFreshSaltAndNonces) {
  TempDir dir;
  WriteFile(dir / "page.html", "<html>same</html>");
  TStringSink a, b;
  ASSERT_TRUE(WriteStrongBlock(dir / "page.html", "pw", false, a));
  ASSERT_TRUE(WriteStrongBlock(dir / "page.html", "pw", false, b));
  const auto la = BlockLines(a.Text), lb = BlockLines(b.Text);
  EXPECT_NE(la[2], lb[2]);
  EXPECT_NE(la[3], lb[3]);
  EXPECT_NE(la[5], lb[5]);
}

// A sink that takes `room` bytes and then refuses.
class TFullSink : public TBlockSink {
 public:
  explicit TFullSink(std::size_t room) : room_(room) {}
  bool Put(const char*, std::size_t size) override {
    if (size > room_) return false;
    room_ -= size;
    return true;
  }
  using TBlockSink::Put;

 private:
  std::size_t room_;
};

TEST(StrongBlock, FailsWhenItCannotReadOrWrite) {
  TempDir dir;
  WriteFile(dir / "page.html", RandomBytes(150000, 4));
  TStringSink sink;
  EXPECT_FALSE(WriteStrongBlock(dir / "missing.html", "pw", false, sink));
  EXPECT_FALSE(WriteStrongBlock(dir / "page.html", "pw", false, "short salt", "nonce!!", sink));
  EXPECT_FALSE(WriteStrongBlock(dir / "page.html", "pw", false, "0123456789abcdef", "prefix too long", sink));
  // Refused at the header, within the first chunk's lines, and at the last line.
  for (const std::size_t room : {0u, 200u, 100000u, 200000u}) {
    TFullSink full(room);
    EXPECT_FALSE(WriteStrongBlock(dir / "page.html", "pw", false, full)) << room;
  }
}

}  // namespace
