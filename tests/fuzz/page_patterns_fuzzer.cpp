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

// Row i of the table: row[j] says whether the first i characters of the
// pattern match the first j of the text. Only the last row is kept.
bool ReferenceMatch(const std::string& pattern, const std::string& text) {
  std::vector<char> row(text.size() + 1), next(text.size() + 1);
  row[0] = true;
  for (const char p : pattern) {
    for (std::size_t j = 0; j <= text.size(); ++j) {
      const char t = j > 0 ? text[j - 1] : '\0';
      if (p == '*') {
        next[j] = row[j] || (j > 0 && t != '/' && next[j - 1]);
      } else {
        next[j] = j > 0 && row[j - 1] && (p == '?' ? t != '/' : Lower(p) == Lower(t));
      }
    }
    row.swap(next);
  }
  return row[text.size()];
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
  const bool included = whole_path ? match : ReferenceMatch(pattern, name);
  fuzz::Check(TPagePatterns({pattern}, {}).IsPage(path) == included, "an include pattern chose wrongly");
  fuzz::Check(!TPagePatterns({pattern}, {pattern}).IsPage(path), "an excluded file is a page");
  return 0;
}
