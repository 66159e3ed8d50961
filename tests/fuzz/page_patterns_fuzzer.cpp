// The page patterns: any pattern against any path, compared with a
// table-filling matcher written here from the patterns' description, and
// TPagePatterns against the rule that a pattern without "/" matches the
// file's name and one with "/" its whole path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/site/page_patterns.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// matches[i][j]: the first i characters of the pattern match the first j of
// the text.
bool ReferenceMatch(const std::string& pattern, const std::string& text) {
  std::vector<std::vector<bool>> matches(pattern.size() + 1, std::vector<bool>(text.size() + 1));
  matches[0][0] = true;
  for (std::size_t i = 1; i <= pattern.size(); ++i) {
    const char p = pattern[i - 1];
    for (std::size_t j = 0; j <= text.size(); ++j) {
      const char t = j > 0 ? text[j - 1] : '\0';
      if (p == '*') {
        matches[i][j] = matches[i - 1][j] || (j > 0 && t != '/' && matches[i][j - 1]);
      } else if (j > 0) {
        matches[i][j] = matches[i - 1][j - 1] && (p == '?' ? t != '/' : Lower(p) == Lower(t));
      }
    }
  }
  return matches[pattern.size()][text.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 512) return -1;  // the table grows with the square of the length
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = bytes.find('\n');
  if (cut == std::string::npos) return 0;
  const std::string pattern = bytes.substr(0, cut), path = bytes.substr(cut + 1);
  const bool match = MatchesPattern(pattern, path);
  fuzz::Check(match == ReferenceMatch(pattern, path), "the matcher and the reference disagree");

  const std::string name = path.substr(path.rfind('/') + 1);
  const bool whole_path = pattern.find('/') != std::string::npos;
  const bool included = ReferenceMatch(pattern, whole_path ? path : name);
  fuzz::Check(TPagePatterns({pattern}, {}).IsPage(path) == included, "an include pattern chose wrongly");
  fuzz::Check(!TPagePatterns({pattern}, {pattern}).IsPage(path), "an excluded file is a page");
  return 0;
}
