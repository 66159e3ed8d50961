// The strong block as the writers produce it: format 2 from the strong
// codec, and format 1, which locks no longer write but readers still open.
// The shape is checked here; the cryptography is checked independently:
// every block is written, with its page and password, into
// strong_block_cases/ in the working folder, and check_strong_blocks.js
// decrypts them with Node's crypto (the CTest step strong_block_node_check,
// which runs after this test on both builds).

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/format/base64.h"
#include "engine/format/strong/strong_codec.h"
#include "engine/format/strong/strong_keys.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/strong_format1.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_bytes.h"

namespace {

using testing_support::BlockLines;
using testing_support::Hex;
using testing_support::RandomBytes;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using namespace std::string_literals;

const std::string kCases = "strong_block_cases";

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

// Format 2's lines: six header literals, then the sealed lines as format 1's,
// every line ending in `line_break`.
void CheckShape2(const std::string& block, bool text, const std::string& site_salt,
                 const std::string& line_break) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = block.find(line_break, start)) != std::string::npos;
       start = end + line_break.size())
    lines.push_back(block.substr(start, end - start));
  ASSERT_EQ(start, block.size());
  if (line_break == "\n") {
    EXPECT_EQ(block.find('\r'), std::string::npos);
  }
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0], "'ZENDREL-AES-GCM-2',");
  EXPECT_EQ(lines[1], "'600000',");
  EXPECT_EQ(lines[2], "'" + Base64Encode(site_salt) + "',");
  EXPECT_EQ(lines[3].size(), 1 + 24 + 2u);
  EXPECT_EQ(lines[4].size(), 1 + 12 + 2u);
  EXPECT_EQ(lines[5], text ? "'text'," : "'html',");
  for (std::size_t i = 6; i < lines.size(); ++i) {
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

TOutcome WriteWith(TStrongCodec& codec, const std::string& page_path, bool text, TBlockSink& sink,
                   const std::string& line_break = "\r\n") {
  TByteSource page;
  if (!page.Open(page_path)) return BlockFailed(messages::kCannotReadFile);
  return codec.WriteBlock(page, text, line_break, sink);
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

  // Format 2: one codec per password, as a run makes it, writes every page
  // of that password under one site salt; the salt column holds it.
  std::map<std::string, std::unique_ptr<TStrongCodec>> codecs;
  for (const auto& c : Cases()) {
    SCOPED_TRACE(c.name);
    auto& codec = codecs[c.typed_password];
    if (!codec) {
      ASSERT_FALSE(TStrongCodec::Make(c.typed_password, &codec));
    }
    // Text pages take the LF lines of an LF template.
    const std::string line_break = c.text ? "\n" : "\r\n";
    const std::string name = std::string("v2_") + c.name;
    TStringSink sink;
    ASSERT_TRUE(WriteWith(*codec, dir + c.name + ".page", c.text, sink, line_break).ok());
    CheckShape2(sink.Text, c.text, codec->SiteSalt(), line_break);
    WriteFile(dir + name + ".page", c.page);
    WriteFile(dir + name + ".block", sink.Text);
    manifest +=
        name + (c.text ? " text " : " html ") + Hex(c.utf8_password) + " " + Hex(codec->SiteSalt()) + " -\n";
  }
  // Given site salt, page salt and prefix are written as given.
  const std::string page_salt = "fedcba9876543210";
  std::unique_ptr<TStrongCodec> fixed_codec;
  ASSERT_FALSE(TStrongCodec::Make("pw", salt, &fixed_codec));
  TByteSource fixed_page;
  ASSERT_TRUE(fixed_page.Open(dir + "fixed.page"));
  TStringSink fixed2;
  ASSERT_TRUE(fixed_codec->WriteBlock(fixed_page, false, "\r\n", page_salt, prefix, fixed2).ok());
  const auto lines = BlockLines(fixed2.Text);
  EXPECT_EQ(lines[2], "'" + Base64Encode(salt) + "',");
  EXPECT_EQ(lines[3], "'" + Base64Encode(page_salt) + "',");
  EXPECT_EQ(lines[4], "'" + Base64Encode(prefix) + "',");
  WriteFile(dir + "v2_fixed.page", "fixed");
  WriteFile(dir + "v2_fixed.block", fixed2.Text);
  manifest +=
      "v2_fixed html " + Hex("pw") + " " + Hex(salt) + " " + Hex(prefix) + " " + Hex(page_salt) + "\n";
  WriteFile(dir + "cases.txt", manifest);
}

// One run, one derivation: every page of a codec shares its site salt and
// draws its own page salt and nonce prefix; another run draws another site
// salt.
TEST(StrongCodec, PagesOfOneRunShareTheSiteSaltAlone) {
  TempDir dir;
  WriteFile(dir / "page.html", "<html>same</html>");
  std::unique_ptr<TStrongCodec> run, other_run;
  ASSERT_FALSE(TStrongCodec::Make("pw", &run));
  ASSERT_FALSE(TStrongCodec::Make("pw", &other_run));
  TStringSink a, b, c;
  ASSERT_TRUE(WriteWith(*run, dir / "page.html", false, a).ok());
  ASSERT_TRUE(WriteWith(*run, dir / "page.html", false, b).ok());
  ASSERT_TRUE(WriteWith(*other_run, dir / "page.html", false, c).ok());
  const auto la = BlockLines(a.Text), lb = BlockLines(b.Text), lc = BlockLines(c.Text);
  EXPECT_EQ(la[2], lb[2]);
  EXPECT_NE(la[2], lc[2]);
  EXPECT_NE(la[3], lb[3]);
  EXPECT_NE(la[4], lb[4]);
  EXPECT_NE(la[6], lb[6]);
}

TEST(StrongCodec, TellsProgressAndStopsWhenCancelled) {
  TempDir dir;
  WriteFile(dir / "page.html", RandomBytes(3 * 65536 + 5, 5));
  std::unique_ptr<TStrongCodec> codec;
  ASSERT_FALSE(TStrongCodec::Make("pw", &codec));
  std::vector<std::uint64_t> told;
  auto run = [&](int stop_after) {
    told.clear();
    TByteSource page;
    EXPECT_TRUE(page.Open(dir / "page.html"));
    TStringSink sink;
    return codec->WriteBlock(page, false, "\r\n", sink, [&](std::uint64_t done, std::uint64_t total) {
      EXPECT_EQ(total, 3 * 65536 + 5u);
      told.push_back(done);
      return static_cast<int>(told.size()) != stop_after;
    });
  };
  EXPECT_TRUE(run(0).ok());
  EXPECT_EQ(told, (std::vector<std::uint64_t>{65536, 2 * 65536, 3 * 65536, 3 * 65536 + 5}));
  EXPECT_EQ(run(2).status, TStatus::Cancelled);
  EXPECT_EQ(told.size(), 2u);
}

TEST(StrongCodec, RefusesWhatItCannotUse) {
  TempDir dir;
  WriteFile(dir / "page.html", RandomBytes(150000, 4));
  std::unique_ptr<TStrongCodec> codec;
  EXPECT_EQ(TStrongCodec::Make("pw", "short salt", &codec).message.text, messages::kCannotMakeKey);
  EXPECT_FALSE(codec);
#ifndef _WIN32
  // Latin-1 bytes from a terminal in another charset: no browser would
  // derive this key from what its reader types.
  EXPECT_EQ(TStrongCodec::Make("caf\xE9", &codec).message.text, messages::kPasswordNotUtf8);
  EXPECT_FALSE(codec);
#endif
  ASSERT_FALSE(TStrongCodec::Make("pw", &codec));
  TStringSink sink;
  EXPECT_EQ(WriteWith(*codec, dir / "missing.html", false, sink).cause(), messages::kCannotReadFile);
  TByteSource page;
  ASSERT_TRUE(page.Open(dir / "page.html"));
  EXPECT_EQ(codec->WriteBlock(page, false, "\r\n", "short salt", "nonce!!", sink).cause(),
            messages::kCannotMakeKey);
  EXPECT_EQ(codec->WriteBlock(page, false, "\r\n", "0123456789abcdef", "prefix too long", sink).cause(),
            messages::kCannotMakeKey);
  // Refused at the header, within the first chunk's lines, and at the last line.
  for (const std::size_t room : {0u, 200u, 100000u, 200000u}) {
    TFullSink full(room);
    EXPECT_EQ(WriteWith(*codec, dir / "page.html", false, full).cause(), messages::kCannotWriteLockedPage)
        << room;
  }
}

// Worked out by hand from the UTF-8 table (RFC 3629, section 4).
TEST(StrongKeys, TellsUtf8FromEverythingElse) {
  const struct {
    const char* name;
    std::string text;
    bool valid;
  } cases[] = {
      {"empty", "", true},
      {"ASCII", "pass word", true},
      {"two bytes", "caf\xC3\xA9", true},
      {"three bytes", "\xE2\x82\xAC", true},
      {"four bytes, the last code point", "\xF4\x8F\xBF\xBF", true},
      {"Latin-1", "caf\xE9", false},
      {"stray continuation", "\x80", false},
      {"cut short", "\xE2\x82", false},
      {"overlong slash", "\xC0\xAF", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false},
      {"no lead byte F5", "\xF5\x80\x80\x80", false},
      {"continuation missing",
       "\xC3"
       "A",
       false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.name;
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
