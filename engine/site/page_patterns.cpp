#include "engine/site/page_patterns.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool AnyMatches(const std::vector<std::string>& patterns, const std::string& relative) {
  const std::size_t slash = relative.rfind('/');
  const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
  for (const auto& pattern : patterns) {
    const bool whole_path = pattern.find('/') != std::string::npos;
    if (MatchesPattern(pattern, whole_path ? relative : name)) return true;
  }
  return false;
}

}  // namespace

bool MatchesPattern(const std::string& pattern, const std::string& text) {
  // The classic greedy walk with one back-up point: the last "*" seen and
  // where in the text it started to match. A "*" never eats a "/".
  std::size_t p = 0, t = 0;
  std::size_t star = std::string::npos, star_text = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_text = t;
    } else if (p < pattern.size() && text[t] != '/' &&
               (pattern[p] == '?' || Lower(pattern[p]) == Lower(text[t]))) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '/' && text[t] == '/') {
      ++p;
      ++t;
    } else if (star != std::string::npos && text[star_text] != '/') {
      p = star + 1;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

TPagePatterns::TPagePatterns(std::vector<std::string> include, std::vector<std::string> exclude,
                             std::vector<std::string> copy)
    : user_include_(!include.empty()),
      include_(include.empty() ? kDefaultPagePatterns : std::move(include)),
      exclude_(std::move(exclude)),
      copy_(std::move(copy)) {}

bool TPagePatterns::IsPage(const std::string& relative) const {
  return AnyMatches(include_, relative) && !AnyMatches(exclude_, relative);
}

bool TPagePatterns::Excludes(const std::string& relative) const { return AnyMatches(exclude_, relative); }

bool TPagePatterns::Copies(const std::string& relative) const { return AnyMatches(copy_, relative); }

bool TPagePatterns::NamedByUser(const std::string& relative) const {
  return (user_include_ && AnyMatches(include_, relative)) || AnyMatches(copy_, relative);
}

bool TPagePatterns::NamesInside(const std::string& folder) const {
  const std::string prefix = folder + "/";
  auto starts = [&](const std::string& pattern) {
    return pattern.size() > prefix.size() && MatchesPattern(pattern.substr(0, prefix.size()), prefix);
  };
  return (user_include_ && std::any_of(include_.begin(), include_.end(), starts)) ||
         std::any_of(copy_.begin(), copy_.end(), starts);
}

bool IsHtmlPageName(const std::string& name) {
  for (const char* suffix : {".html", ".htm", ".shtml", ".xhtml"}) {
    const std::size_t n = std::char_traits<char>::length(suffix);
    if (name.size() >= n && MatchesPattern(suffix, name.substr(name.size() - n))) return true;
  }
  return false;
}

bool IsTextPageName(const std::string& name) {
  return name.size() >= 4 && MatchesPattern("*.txt", name.substr(name.size() - 4));
}
