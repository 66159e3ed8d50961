// The escaped form of every masked byte: the byte itself when it is safe
// inside a single-quoted script string and cannot be taken for a hex digit,
// otherwise two upper-case hex digits.
#pragma once

#include <array>
#include <cstdint>

namespace escape_detail {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr bool WrittenAsItself(unsigned m) {
  return (m >= 0x20 && m <= 0x26) || (m >= 0x28 && m <= 0x2F) || (m >= 0x3A && m <= 0x3B) ||
         (m >= 0x3F && m <= 0x40) || (m >= 0x47 && m <= 0x5B) || (m >= 0x5D && m <= 0x60) ||
         (m >= 0x67 && m <= 0x7E);
}

struct EscapeTable {
  std::array<std::array<char, 2>, 256> text{};
  std::array<std::uint8_t, 256> length{};

  constexpr EscapeTable() {
    for (unsigned m = 0; m < 256; ++m) {
      if (WrittenAsItself(m)) {
        text[m] = {static_cast<char>(m), 0};
        length[m] = 1;
      } else {
        text[m] = {kHexDigits[m >> 4], kHexDigits[m & 0xF]};
        length[m] = 2;
      }
    }
  }
};

}  // namespace escape_detail

inline constexpr escape_detail::EscapeTable kEscapes;
