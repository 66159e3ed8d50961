// The runs of words a copied file is searched for: a page's text found
// again in the forms generators write it in, the runs counted by hand.
#include "engine/text_runs.h"

#include <gtest/gtest.h>

namespace {

TEST(TextRuns, APageTextIsFoundInMarkupJsonEntitiesAndEscapes) {
  TTextRuns page;
  // Ten words: tom jerry ran across the wide green field at noon; 3 runs of 8.
  page.AddText("<p>Tom &amp; Jerry ran <em>across</em> the wide green field at noon</p>");
  page.Seal();
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

}  // namespace
