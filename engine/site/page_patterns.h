// Which files of a site are pages to lock, which are copied on purpose and
// which are left out: name patterns with "*" (any run of characters but "/")
// and "?" (any one character but "/"), matched in any ASCII letter case. A pattern without "/" is matched
// against the file's name, one with "/" against its whole path under the site's folder, spelled with "/"
// whatever the system.
#pragma once

#include <string>
#include <vector>

// What a text page's name gains: its locked page is HTML.
inline constexpr char kHtmlSuffix[] = ".html";

// The page patterns when none are given.
inline const std::vector<std::string> kDefaultPagePatterns = {"*.html", "*.htm"};

// True when `pattern` matches all of `text`.
bool MatchesPattern(const std::string& pattern, const std::string& text);

class TPagePatterns {
 public:
  // An empty `include` stands for kDefaultPagePatterns. `copy` names files
  // copied in clear on purpose.
  TPagePatterns(std::vector<std::string> include, std::vector<std::string> exclude,
                std::vector<std::string> copy = {});

  // `relative`: the file's path under the site's folder, with "/" between
  // its parts. A page matches an include pattern and no exclude pattern.
  bool IsPage(const std::string& relative) const;
  // Matches an exclude pattern: left out entirely.
  bool Excludes(const std::string& relative) const;
  // Matches a copy pattern: copied in clear.
  bool Copies(const std::string& relative) const;
  // Matches an include or copy pattern the user gave (not the defaults).
  bool NamedByUser(const std::string& relative) const;
  // Some include or copy pattern the user gave starts with `folder` + "/".
  bool NamesInside(const std::string& folder) const;

 private:
  bool user_include_;
  std::vector<std::string> include_;
  std::vector<std::string> exclude_;
  std::vector<std::string> copy_;
};

// A page that is HTML: its name ends in ".html", ".htm", ".shtml" or
// ".xhtml" in any letter case. Any other page (a ".txt" or ".md" picked by
// the patterns) is locked into its name with ".html" appended, wrapped as
// text.
bool IsHtmlPageName(const std::string& name);

// A plain-text page: its name ends in ".txt" in any letter case. It is
// locked into its name with ".html" appended, wrapped as text.
bool IsTextPageName(const std::string& name);
