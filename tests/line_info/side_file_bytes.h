// Pieces of side files written byte by byte, for tests of the reader.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "errors/line_info_format.h"

namespace side_file_bytes {

inline std::string U32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}
inline std::string I16(std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8)};
}
inline std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// A name as the file stores it: a length byte, then each character XORed
// with its index plus the key base.
inline std::string Name(const std::string& text) {
  std::string s(1, static_cast<char>(text.size()));
  for (std::size_t j = 0; j < text.size(); ++j) {
    s.push_back(static_cast<char>(text[j] ^ static_cast<char>(j + line_info_format::kNameKeyBase)));
  }
  return s;
}

inline std::string Body(std::int32_t units, std::int32_t routines, std::int32_t lines,
                        const std::string& tables) {
  return U32(units) + U32(routines) + U32(lines) + U32(0xDEADBEEF) + tables;
}
inline std::string Unit(std::uint32_t start, const std::string& name) { return U32(start) + Name(name); }
inline std::string File(const std::string& name) { return "\x3B" + Name(name); }
inline std::string LongStep(std::int16_t dl, std::uint32_t da) { return "\x3C" + I16(dl) + U32(da); }
inline std::string MediumStep(std::int16_t dl, std::int16_t da) { return "\x3E" + I16(dl) + I16(da); }
inline std::string ShortStep(std::int8_t dl, std::int8_t da) { return Bytes({0x3F, dl, da}); }

}  // namespace side_file_bytes
