// The runs of words a copied file is searched for: a page's text found
// again in the forms generators write it in, the runs counted by hand.
#include "engine/site/text_runs.h"

#include <gtest/gtest.h>

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

}  // namespace
