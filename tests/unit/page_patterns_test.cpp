// Which files of a site are pages: the patterns, written out by hand.
#include "engine/page_patterns.h"

#include <gtest/gtest.h>

namespace {

TEST(MatchesPattern, StarsQuestionMarksCaseAndSlashes) {
  struct TCase {
    const char* pattern;
    const char* text;
    bool match;
  };
  const TCase cases[] = {
      {"*.html", "index.html", true},
      {"*.html", "INDEX.HTML", true},
      {"*.html", "a.html.bak", false},
      {"*.html", ".html", true},
      {"*.htm", "a.html", false},
      {"?.htm", "a.htm", true},
      {"?.htm", "ab.htm", false},
      {"*", "", true},
      {"", "", true},
      {"", "a", false},
      {"a*b*c", "aXbYc", true},
      {"a*b*c", "aXbYcZ", false},
      {"a*b", "abab", true},
      {"drafts/*", "drafts/a.html", true},
      {"drafts/*", "drafts/x/a.html", false},
      {"*/a.html", "x/a.html", true},
      {"*a.html", "x/a.html", false},
      {"?", "/", false},
      {"a/?", "a/b", true},
      {"**", "x/y", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesPattern(c.pattern, c.text), c.match) << c.pattern << " " << c.text;
}

TEST(PagePatterns, DefaultsIncludesAndExcludes) {
  struct TCase {
    std::vector<std::string> include, exclude;
    const char* path;
    bool page;
  };
  const TCase cases[] = {
      {{}, {}, "index.html", true},
      {{}, {}, "sub/deep/Page.HTM", true},
      {{}, {}, "style.css", false},
      {{}, {}, "notes.txt", false},
      {{"*.txt"}, {}, "notes.TXT", true},
      {{"*.txt"}, {}, "index.html", false},
      {{}, {"drafts/*"}, "drafts/a.html", false},
      {{}, {"drafts/*"}, "sub/drafts/a.html", true},
      {{}, {"*.htm"}, "old.htm", false},
      {{"sub/*.html"}, {}, "sub/a.html", true},
      {{"sub/*.html"}, {}, "a.html", false},
  };
  for (const auto& c : cases) EXPECT_EQ(TPagePatterns(c.include, c.exclude).IsPage(c.path), c.page) << c.path;
}

TEST(IsTextPageName, DotTxtInAnyCase) {
  EXPECT_TRUE(IsTextPageName("up.TXT"));
  EXPECT_TRUE(IsTextPageName("a.txt"));
  EXPECT_TRUE(IsTextPageName("a.Txt"));
  EXPECT_FALSE(IsTextPageName("a.txt.html"));
  EXPECT_FALSE(IsTextPageName("txt"));
}

}  // namespace
