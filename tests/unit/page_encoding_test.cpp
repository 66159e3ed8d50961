// The page block, checked against blocks worked out by hand (small cases)
// and against the shape the format promises (large cases).
#include "engine/format/xor/page_encoding.h"

#include <gtest/gtest.h>

#include "fileio/byte_source.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::BlockLines;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Block(const std::string& page, const std::string& password, bool wrap = false) {
  TempDir dir;
  WriteFile(dir / "page.html", page);
  TByteSource source;
  EXPECT_TRUE(source.Open(dir / "page.html"));
  return BuildPageBlock(source, password, wrap);
}

// Encoded length of one data line's bytes (1 or 2 characters each).
std::string Body(const std::string& line) { return line.substr(1, line.size() - 3); }

TEST(EncodeByte, EscapesEveryByteAsTheTableSays) {
  EXPECT_EQ(EncodeByte(0x0A), "0A");
  EXPECT_EQ(EncodeByte(0x00), "00");
  EXPECT_EQ(EncodeByte(0x47), "G");
  EXPECT_EQ(EncodeByte(0x27), "27");
  EXPECT_EQ(EncodeByte(0x61), "61");
  EXPECT_EQ(EncodeByte(0x5C), "5C");
  EXPECT_EQ(EncodeByte(0x3C), "3C");
  EXPECT_EQ(EncodeByte(0x30), "30");
  EXPECT_EQ(EncodeByte(0x46), "46");
  EXPECT_EQ(EncodeByte(0x7E), "~");
  EXPECT_EQ(EncodeByte(0x7F), "7F");
  EXPECT_EQ(EncodeByte(0xFF), "FF");
  EXPECT_EQ(EncodeByte(0x20), " ");
  EXPECT_EQ(EncodeByte(0x28), "(");
  EXPECT_EQ(EncodeByte(0x3F), "?");
  EXPECT_EQ(EncodeByte(0x5B), "[");
  EXPECT_EQ(EncodeByte(0x60), "`");
  EXPECT_EQ(EncodeByte(0x67), "g");
}

TEST(EncodeByte, LiteralsAreNeverHexDigitsQuotesBackslashesOrMarkup) {
  for (int m = 0; m < 256; ++m) {
    const std::string e = EncodeByte(static_cast<unsigned char>(m));
    if (e.size() == 1) {
      EXPECT_EQ(std::string("0123456789ABCDEFabcdef'\\<=>").find(e[0]), std::string::npos) << m;
      EXPECT_GE(m, 0x20);
      EXPECT_LE(m, 0x7E);
    } else {
      ASSERT_EQ(e.size(), 2u);
      EXPECT_EQ(std::stoi(e, nullptr, 16), m);
      EXPECT_EQ(e, std::string(1, "0123456789ABCDEF"[m >> 4]) + "0123456789ABCDEF"[m & 15]);
    }
  }
}

TEST(CheckValue, XorsTheWholePassword) {
  EXPECT_EQ(CheckValue("A"), "41");
  EXPECT_EQ(CheckValue("AB"), "03");
  EXPECT_EQ(CheckValue("abab"), "00");
  EXPECT_EQ(CheckValue("pagekey"), "64");  // 70^61=11 ^67=76 ^65=13 ^6B=78 ^65=1D ^79=64
  std::string long_password(300, 'x');
  long_password[299] = 'y';  // only the 300th byte differs; the XOR still sees it
  EXPECT_EQ(CheckValue(long_password), "01");
}

TEST(BuildPageBlock, SmallPagesWorkedOutByHand) {
  // 'A' ^ 'A' ^ 5A = 5A 'Z'; 'B' ^ 'A' ^ 5A = 59 'Y'.
  EXPECT_EQ(Block("AB", "A"), "'41',\r\n'ZY');\r\n");
  // Password "AB": 'x'(78)^41^5A=63 -> "63"; 'y'(79)^42^5A=61 -> "61"; 'z'(7A)^41^5A=61 -> "61".
  EXPECT_EQ(Block("xyz", "AB"), "'03',\r\n'636161');\r\n");
  // A masked line feed and a masked apostrophe: 0A^00... choose password byte 5A so m = b.
  EXPECT_EQ(Block("\n'G", "\x5A"), "'5A',\r\n'0A27G');\r\n");
}

TEST(BuildPageBlock, EmptyPageIsTheCheckLineAlone) { EXPECT_EQ(Block("", "pagekey"), "'64');\r\n"); }

TEST(BuildPageBlock, FirstByteZeroEndsTheData) {
  EXPECT_EQ(Block(std::string("\0abc", 4), "pagekey"), "'64');\r\n");
}

TEST(BuildPageBlock, HundredBytesMakeOneLineAndOneMoreMakesTwo) {
  const auto hundred = BlockLines(Block(std::string(100, 'Z'), "\x5A"));  // m = b, 'Z' stays 'Z'
  ASSERT_EQ(hundred.size(), 2u);
  EXPECT_EQ(hundred[1], "'" + std::string(100, 'Z') + "');");

  const auto hundred_one = BlockLines(Block(std::string(101, 'Z'), "\x5A"));
  ASSERT_EQ(hundred_one.size(), 3u);
  EXPECT_EQ(hundred_one[0], "'5A',");
  EXPECT_EQ(hundred_one[1], "'" + std::string(100, 'Z') + "',");
  EXPECT_EQ(hundred_one[2], "'Z');");
}

TEST(BuildPageBlock, ZeroByteInsideALineShortensItAndIsDropped) {
  // Ten bytes, the 5th a zero: lines of bytes 1-4 and 6-10.
  const auto lines = BlockLines(Block(std::string("GHIJ\0KLMNO", 10), "\x5A"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "'GHIJ',");
  EXPECT_EQ(lines[2], "'KLMNO');");
}

TEST(BuildPageBlock, TwoZerosInARowEndTheData) {
  const auto lines = BlockLines(Block(std::string("GH\0\0IJ", 6), "\x5A"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "'GH');");
}

TEST(BuildPageBlock, ZeroRightAfterAFullLineEndsTheData) {
  const auto lines = BlockLines(Block(std::string(100, 'Z') + std::string("\0GH", 3), "\x5A"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "'" + std::string(100, 'Z') + "');");
}

TEST(BuildPageBlock, TextPagesAreWrappedAndTheCursorRunsOn) {
  // Password of 3 bytes "\x5A\x5A\x7A": keys 00,00,20 cycling. The opening
  // wrapper takes 18 keys, so the data starts at key index 0 again (18 % 3),
  // and the closing wrapper starts at key index (18 + 10) % 3 = 1.
  const std::string password = "\x5A\x5A\x7A";
  const auto lines = BlockLines(Block("GHIJKLMNOP", password, true));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "'7A',");
  auto encode = [&](const std::string& text, int first_key) {
    std::string out;
    const unsigned char keys[] = {0x00, 0x00, 0x20};
    for (std::size_t i = 0; i < text.size(); ++i)
      out += EncodeByte(static_cast<unsigned char>(text[i]) ^ keys[(first_key + i) % 3]);
    return out;
  };
  EXPECT_EQ(lines[1], "'" + encode(" <html><body><pre>", 0) + "',");
  EXPECT_EQ(lines[2], "'GHiJKlMNoP',");
  EXPECT_EQ(lines[3], "'" + encode("</pre></body></html>", 1) + "');");
}

TEST(BuildPageBlock, OneCharacterPasswordAppliesToEveryByte) {
  const auto lines = BlockLines(Block(std::string(250, 'G'), "\x5B"));  // G ^ 5B ^ 5A = 46 -> "46"
  ASSERT_EQ(lines.size(), 4u);
  std::string forty_sixes;
  for (int i = 0; i < 50; ++i) forty_sixes += "46";
  EXPECT_EQ(Body(lines[1]), forty_sixes + forty_sixes);
  EXPECT_EQ(lines[3], "'" + forty_sixes + "');");
}

// The password byte used for each page byte. With page bytes of 5A the
// masked byte is the password byte itself, which the block shows either as
// itself or as a hex pair.
std::vector<unsigned char> KeysUsed(const std::string& password, std::size_t page_length) {
  std::vector<unsigned char> keys;
  const auto lines = BlockLines(Block(std::string(page_length, '\x5A'), password));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string body = lines[i].substr(1, lines[i].find('\'', 1) - 1);
    for (std::size_t j = 0; j < body.size();) {
      if (std::isxdigit(static_cast<unsigned char>(body[j]))) {
        keys.push_back(static_cast<unsigned char>(std::stoi(body.substr(j, 2), nullptr, 16)));
        j += 2;
      } else {
        keys.push_back(static_cast<unsigned char>(body[j]));
        j += 1;
      }
    }
  }
  return keys;
}

std::string Distinct(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('g' + i % 20);  // literal letters g..z
  return s;
}

TEST(BuildPageBlock, PasswordOf255CharactersWrapsBackToTheFirst) {
  std::string password = Distinct(255);
  password[0] = 'Z';
  const auto keys = KeysUsed(password, 300);
  ASSERT_EQ(keys.size(), 300u);
  for (std::size_t i = 0; i < 300; ++i)
    EXPECT_EQ(keys[i], static_cast<unsigned char>(password[i % 255])) << i;
}

TEST(BuildPageBlock, PasswordOf256CharactersUsesOnlyItsFirst) {
  std::string password = Distinct(256);
  password[0] = 'Z';
  const auto keys = KeysUsed(password, 50);
  for (const auto k : keys) EXPECT_EQ(k, 'Z');
  EXPECT_EQ(BlockLines(Block("", password))[0], "'" + CheckValue(password) + "');");
}

TEST(BuildPageBlock, PasswordOf300CharactersUsesItsFirst44) {
  std::string password = Distinct(300);
  const auto keys = KeysUsed(password, 100);
  for (std::size_t i = 0; i < 100; ++i) EXPECT_EQ(keys[i], static_cast<unsigned char>(password[i % 44])) << i;
}

TEST(BuildPageBlock, CheckValueZeroIsWrittenAs00) { EXPECT_EQ(BlockLines(Block("", "xyzxyz"))[0], "'00');"); }

TEST(BuildPageBlock, LineCountFollowsThePageLength) {
  for (const std::size_t n : {1u, 99u, 100u, 101u, 199u, 200u, 201u, 1000u, 4097u}) {
    const auto lines = BlockLines(Block(std::string(n, 'Q'), "pagekey"));
    EXPECT_EQ(lines.size(), 1 + (n + 99) / 100) << n;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].substr(lines[i].size() - 2), "',");
    EXPECT_EQ(lines.back().substr(lines.back().size() - 3), "');");
  }
}

}  // namespace
