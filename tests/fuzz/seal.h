// The seal the seed pages end with: a digest of the page's other bytes, so
// that a strong page that opens can be told to have come back whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace fuzz {

inline std::string SealLine(const std::string& body) {
  std::uint64_t digest = 14695981039346656037ull;  // 64-bit FNV-1a
  for (const unsigned char c : body) digest = (digest ^ c) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest));
  return "<!-- seal " + std::string(hex) + " -->\n";
}

inline std::string Sealed(const std::string& body) { return body + SealLine(body); }

// True when `page` ends with the seal of the bytes before it.
inline bool HasSeal(const std::string& page) {
  const std::size_t line = std::string("<!-- seal 0123456789abcdef -->\n").size();
  return page.size() >= line && page.compare(page.size() - line, line, SealLine(page.substr(0, page.size() - line))) == 0;
}

}  // namespace fuzz
