// Which files of a site are pages: the patterns, written out by hand.
#include "engine/site/page_patterns.h"

#include "engine/site/copy_policy.h"

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

TEST(SiteFileFate, PagesNeedsAndTheUsersPatternsDecide) {
  using F = TSiteFileFate;
  using R = TLeftOutReason;
  struct TCase {
    std::vector<std::string> include, exclude, copy;
    const char* path;
    F fate;
    R why;
  };
  const TCase cases[] = {
      {{}, {}, {}, "index.html", F::Page, R::None},
      {{}, {}, {}, "css/site.CSS", F::Copy, R::None},
      {{}, {}, {}, "img/logo.svg", F::Copy, R::None},
      {{}, {}, {}, "fonts/a.woff2", F::Copy, R::None},
      {{}, {}, {}, "site.webmanifest", F::Copy, R::None},
      {{}, {}, {}, "api/fs.md", F::LeftOut, R::SourceOrData},
      {{}, {}, {}, "_sources/index.rst.txt", F::LeftOut, R::SourceOrData},
      {{}, {}, {}, "index.xml", F::LeftOut, R::SourceOrData},
      {{}, {}, {}, "search/search_index.json", F::LeftOut, R::SearchIndex},
      {{}, {}, {}, "searchindex.js", F::LeftOut, R::SearchIndex},
      {{}, {}, {}, "api/fs.json.gz", F::LeftOut, R::Document},
      {{}, {}, {}, "manual.pdf", F::LeftOut, R::Document},
      {{}, {}, {}, "index.html~", F::LeftOut, R::EditorBackup},
      {{}, {}, {}, "style.css.bak", F::LeftOut, R::EditorBackup},
      {{}, {}, {}, "#notes#", F::LeftOut, R::EditorBackup},
      {{}, {}, {}, ".index.html.swp", F::LeftOut, R::Hidden},
      {{}, {}, {}, ".htaccess", F::LeftOut, R::Hidden},
      {{}, {}, {}, "Makefile", F::LeftOut, R::NotNeeded},
      {{}, {"FAQ.html"}, {}, "FAQ.html", F::LeftOut, R::Excluded},
      {{}, {"*.png"}, {"*.png"}, "a.png", F::LeftOut, R::Excluded},
      {{}, {}, {".htaccess"}, ".htaccess", F::Copy, R::None},
      {{}, {}, {"*.json"}, "data/a.json", F::Copy, R::None},
      {{"*.md"}, {}, {}, "api/fs.md", F::Page, R::None},
      {{"*.html"}, {}, {}, ".hidden.html", F::Page, R::None},
      {{}, {}, {}, ".hidden.html", F::LeftOut, R::Hidden},
  };
  for (const auto& c : cases) {
    R why = R::NotNeeded;
    EXPECT_EQ(SiteFileFate(TPagePatterns(c.include, c.exclude, c.copy), c.path, &why), c.fate) << c.path;
    EXPECT_EQ(why, c.why) << c.path;
  }
}

TEST(SiteFolderLeftOut, VersionControlHiddenAndExcludedFolders) {
  struct TCase {
    std::vector<std::string> exclude, copy;
    const char* path;
    TLeftOutReason why;
  };
  const TCase cases[] = {
      {{}, {}, ".git", TLeftOutReason::VersionControl},
      {{}, {}, "sub/.svn", TLeftOutReason::VersionControl},
      {{}, {}, ".well-known", TLeftOutReason::Hidden},
      {{}, {".well-known/*"}, ".well-known", TLeftOutReason::None},
      {{}, {".git/*"}, ".git", TLeftOutReason::VersionControl},
      {{"drafts"}, {}, "drafts", TLeftOutReason::Excluded},
      {{}, {}, "_static", TLeftOutReason::None},
  };
  for (const auto& c : cases) {
    TLeftOutReason why = TLeftOutReason::NotNeeded;
    EXPECT_EQ(SiteFolderLeftOut(TPagePatterns({}, c.exclude, c.copy), c.path, &why),
              c.why != TLeftOutReason::None)
        << c.path;
    EXPECT_EQ(why, c.why) << c.path;
  }
}

}  // namespace
