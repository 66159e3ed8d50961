// A large block is cut into several script elements: the cuts stand only
// between a line's "," and its line break, take nothing away, and are read
// back by the block reader; only the shipped kind of holder is cut.
#include "engine/format/element_cuts.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/format/block_reader.h"
#include "engine/format/literal_lines.h"
#include "engine/template/payload_area.h"
#include "fileio/fast_io.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;

const std::string kCut = kBlockElementCut;

// Literal lines of 1 to 150 characters, commas and apostrophe-free XOR-like
// bytes included, some 1.2 MiB in all: several elements' worth.
std::vector<std::string> Literals(unsigned seed, std::size_t count) {
  std::mt19937 random(seed);
  const std::string alphabet = "abcXYZ019+/=,;)(<>\\\" ";
  std::vector<std::string> literals(count);
  for (auto& literal : literals) {
    literal.resize(1 + random() % 150);
    for (auto& c : literal) c = alphabet[random() % alphabet.size()];
  }
  return literals;
}

std::string Block(const std::vector<std::string>& literals, const std::string& line_break) {
  TStringSink sink;
  TLiteralLines lines(sink, line_break);
  for (const auto& literal : literals) EXPECT_TRUE(lines.PutLine(literal));
  EXPECT_TRUE(lines.Finish());
  return sink.Text;
}

std::string Cut(const std::string& block, const std::string& line_break, std::size_t piece) {
  TStringSink out;
  TElementCutSink cut(out, line_break);
  for (std::size_t at = 0; at < block.size(); at += piece) EXPECT_TRUE(cut.Put(block.substr(at, piece)));
  return out.Text;
}

TEST(ElementCuts, CutOnlyAfterALinesCommaAndJoinBackToTheBlock) {
  for (const std::string line_break : {"\r\n", "\n"}) {
    const std::string block = Block(Literals(3, 16000), line_break);
    const std::string cut = Cut(block, line_break, block.size());
    std::string joined;
    std::vector<std::size_t> elements;
    std::size_t from = 0;
    for (std::size_t at; (at = cut.find(kCut, from)) != std::string::npos; from = at + kCut.size()) {
      ASSERT_EQ(cut.substr(at - 2, 2), "',") << "a cut after a line's closing quote and comma";
      ASSERT_EQ(cut.compare(at + kCut.size(), line_break.size(), line_break), 0) << "and before the line break";
      joined += cut.substr(from, at - from);
      elements.push_back(joined.size());
    }
    joined += cut.substr(from);
    EXPECT_EQ(joined, block);
    ASSERT_GE(elements.size(), 3u) << "a block of " << block.size() << " bytes";
    // Each element but the last holds a little more than kElementBytes: the
    // line on which the count ran out is finished first.
    std::size_t previous = 0;
    for (const std::size_t end : elements) {
      EXPECT_GE(end - previous, TElementCutSink::kElementBytes);
      EXPECT_LT(end - previous, TElementCutSink::kElementBytes + 160);
      previous = end;
    }
    // Where the block arrives in pieces does not move a cut.
    for (const std::size_t piece : {1u, 2u, 7u, 4096u, 262143u})
      EXPECT_EQ(Cut(block, line_break, piece), cut) << "pieces of " << piece;
  }
  const std::string small = Block(Literals(4, 2000), "\r\n");
  ASSERT_LT(small.size(), TElementCutSink::kElementBytes);
  EXPECT_EQ(Cut(small, "\r\n", 1000), small);
}

// The literals the reader gives back from a page holding `block`, or the
// problem it reports.
std::string ReadBack(const std::string& block, std::vector<std::string>* literals) {
  TempDir dir;
  WriteFile(dir / "page.html", "<script type=\"text/x-zendrel-page\" id=\"zendrel-page\">\r\nzendrelPage(\r\n//Page Begin\r\n" +
                                   block + "//Page End\r\n</script>\r\n");
  TBlockReader reader;
  if (reader.Open(dir / "page.html") != TBlockReader::TStatus::Ok) return "not opened";
  for (bool last = false; !last;) {
    std::string text;
    if (reader.Next(&text, &last) != TBlockReader::TStatus::Ok) return reader.Problem();
    literals->push_back(text);
  }
  return "";
}

TEST(ElementCuts, TheReaderTakesACutOnlyBetweenACommaAndItsLineBreak) {
  const std::vector<std::string> literals = {"AB", "one", "two", "three"};
  const std::string block = Block(literals, "\r\n");  // 'AB',\r\n'one',\r\n'two',\r\n'three');\r\n
  struct Case {
    std::string block;
    bool reads;
  } cases[] = {
      {block, true},
      {Cut(block, "\r\n", 1), true},
      {"'AB'," + kCut + "\r\n'one'," + kCut + "\r\n'two',\r\n'three');\r\n", true},
      {"'AB',\r\n'one'" + kCut + ",\r\n'two',\r\n'three');\r\n", false},
      {"'AB',\r\n'one'," + kCut + kCut + "\r\n'two',\r\n'three');\r\n", false},
      {"'AB',\r\n'one',\r\n" + kCut + "'two',\r\n'three');\r\n", false},
      {"'AB',\r\n'one',\r\n'two',\r\n'three');" + kCut + "\r\n", false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> read;
    const std::string problem = ReadBack(c.block, &read);
    if (c.reads) {
      EXPECT_EQ(problem, "") << c.block;
      EXPECT_EQ(read, literals) << c.block;
    } else {
      EXPECT_NE(problem, "") << c.block;
    }
  }
}

TEST(ElementCuts, OnlyTheShippedKindOfHolderIsCut) {
  const std::string area = "zendrelPage(\r\n//Page Begin\r\n'');\r\n//Page End\r\n";
  struct Case {
    std::string start_page;
    bool cut;
  } cases[] = {
      {"<p>x</p><script type=\"text/x-zendrel-page\" id=\"zendrel-page\">\r\n" + area + "</script>", true},
      {"<script type=\"text/x-zendrel-page\">" + area + "</script>", true},
      // A template of one's own whose script runs the block as a call.
      {"<script type=\"text/x-zendrel-page\"></script><script>\r\n" + area + "</script>", false},
      {"<script>\r\n" + area + "</script>", false},
      {"<script type=\"text/x-zendrel-page\" id=\"zendrel-page\"></script><pre>\r\n" + area + "</pre>", false},
      {"<pre>\r\n" + area + "</pre>", false},
      // HTML's tag names know no case: a holder closed in capitals, or
      // another script opened in capitals, leaves the area outside it.
      {"<script type=\"text/x-zendrel-page\"></SCRIPT><pre>\r\n" + area + "</pre>", false},
      {"<script type=\"text/x-zendrel-page\"></script><SCRIPT>\r\n" + area + "</SCRIPT>", false},
      {"<SCRIPT type=\"text/x-zendrel-page\">" + area + "</SCRIPT>", true},
      // The page's script looks for the type as written.
      {"<script type=\"TEXT/X-ZENDREL-PAGE\">" + area + "</script>", false},
  };
  TempDir dir;
  for (const auto& c : cases) {
    WriteFile(dir / "index.html", c.start_page);
    TFastIO page;
    ASSERT_TRUE(page.Open(dir / "index.html"));
    TPayloadArea found;
    ASSERT_TRUE(FindPayloadArea(page, &found)) << c.start_page;
    EXPECT_EQ(found.cut_into_elements, c.cut) << c.start_page;
  }
}

}  // namespace
