// The runs of words a copied file is searched for: a page's text found
// again in the forms generators write it in, the runs counted by hand.
#include "engine/site/text_runs.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/site/text_run_reader.h"

namespace {

TEST(TextRuns, APageTextIsFoundInMarkupJsonEntitiesAndEscapes) {
  TTextRuns page;
  // Ten words: tom jerry ran across the wide green field at noon; 3 runs of 8.
  page.AddText("<p>Tom &amp; Jerry ran <em>across</em> the wide green field at noon</p>");
  const std::pair<const char*, std::size_t> cases[] = {
      {"Tom & Jerry ran across the wide green field at noon", 3},
      {"TOM & JERRY RAN ACROSS THE WIDE GREEN FIELD AT NOON", 3},
      {"{\"text\":\"Tom \\u0026 Jerry ran across the wide green field at noon\"}", 3},
      {"tom\\njerry ran across the wide green field at noon", 3},
      {"&lt;p&gt;Tom and Jerry ran across the wide green field at noon", 2},
      {"Tom Jerry ran across the wide green", 0},
      {"noon at field green wide the across ran Jerry Tom", 0},
      {"", 0},
  };
  for (const auto& [text, runs] : cases) EXPECT_EQ(page.CountText(text), runs) << text;
}

// Pages of more runs than are kept: the runs are sampled, and a long copy of
// page text is still found, its count an estimate of the runs it holds.
TEST(TextRuns, ASampledSetStillFindsALongCopy) {
  std::string pages, copy;
  for (std::size_t i = 0; i < 3 * kTextRunsKept; ++i) pages += "w" + std::to_string(i) + " ";
  for (std::size_t i = kTextRunsKept; i < kTextRunsKept + 4000; ++i) copy += "w" + std::to_string(i) + " ";
  TTextRuns runs;
  runs.AddText(pages);
  // 4000 words: 3993 runs.
  const std::size_t found = runs.CountText(copy);
  EXPECT_GT(found, 3993u / 2);
  EXPECT_LT(found, 3993u * 2);
  EXPECT_EQ(runs.CountText("w5 w4 w3 w2 w1 w0 w9 w8 w7 w6"), 0u);
}

// A page arrives in pieces: wherever a piece ends (inside a tag, an entity,
// an escape, a word), the runs are those of the whole text read at once.
TEST(TextRuns, PiecesGiveTheRunsOfTheWholeText) {
  const std::string texts[] = {
      "<p>Tom &amp; Jerry ran <em>across</em> the wide green field at noon</p> and back < home again 3<4 ok",
      "{\"t\":\"Tom \\u0026 Jerry\\nran across the wide green field\\\\at noon at once\"}",
      "a b c d e f g h <!-- i j --> k l &x; m n o p q r <? s ?> t u v w </div> x y z",
      // Words of 7 to 34 bytes, letters in both cases, UTF-8 letters.
      "Internationalization \xc3\x89" "COLE na\xc3\xafve Supercalifragilisticexpialidocious abcdefg "
      "ABCDEFGH 0123456789abcdefXYZ <b>LongerThanSixteenBytes</b> q\xc3\xa9 abcdefghi &amp;amp; done",
      // Past 64 bytes: a tag longer than that, escapes and entities, a "<"
      // that starts no tag, a tag that never ends.
      "one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen "
      "<div class=\"a very long attribute value that goes on past sixty-four bytes\">sixteen\\u00e9t\\u00E9 "
      "seventeen &amp; eighteen&x; 3<4 nineteen \\\\ twenty\\ttwenty-one &lt;b&gt; twenty-two <unfinished tag",
  };
  const auto read = [](const std::string& text, std::size_t split) {
    std::vector<std::uint64_t> runs;
    TTextRunReader reader([&](const std::uint64_t* batch, std::size_t count) {
      runs.insert(runs.end(), batch, batch + count);
    });
    reader.Feed(text.data(), split);
    reader.Feed(text.data() + split, text.size() - split);
    reader.End();
    return runs;
  };
  for (const std::string& text : texts) {
    const std::vector<std::uint64_t> whole = read(text, text.size());
    EXPECT_GT(whole.size(), 3u) << text;
    for (std::size_t split = 0; split < text.size(); ++split) EXPECT_EQ(read(text, split), whole) << text << " @" << split;
    // One byte at a time: the reader never sees more than one byte at once.
    std::vector<std::uint64_t> bytewise;
    TTextRunReader reader([&](const std::uint64_t* batch, std::size_t count) {
      bytewise.insert(bytewise.end(), batch, batch + count);
    });
    for (const char c : text) reader.Feed(&c, 1);
    reader.End();
    EXPECT_EQ(bytewise, whole) << text;
  }
}

}  // namespace
