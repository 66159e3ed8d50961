// Bytes for tests: repeatable pseudo-random bytes, and bytes written as
// lowercase hex for the Node scripts that check what a test wrote.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace testing_support {

inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

// The same `n` bytes for the same seed.
inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(random());
  return s;
}

}  // namespace testing_support
