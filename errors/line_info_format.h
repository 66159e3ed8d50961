// The layout of the line-information side file (the executable's path with
// the extension ".RLI"), shared by the program that reads it and the build
// tool that writes it. All multi-byte integers are little-endian.
#pragma once

#include <cstdint>

namespace line_info_format {

// Every offset in the file counts from CodeBase: the module's base address
// plus this much, the start of the image's code section.
inline constexpr std::uint32_t kCodeBaseOffset = 4096;

// The file starts with a header that the program never reads; the tables
// (the body) follow it.
inline constexpr std::uint32_t kHeaderSize = 64;

// What the writer puts at the start of the header, so that a person can
// recognise the file, and the version of the layout after it.
inline constexpr char kMagic[] = "Zendrel line information\r\n\x1a";
inline constexpr std::uint32_t kVersion = 1;

// Byte j of every stored name is XORed with (j + kNameKeyBase) mod 256.
inline constexpr std::uint8_t kNameKeyBase = 0xA7;

// Body: UnitCount, RoutineCount, LineCount, one unused field, then the unit,
// routine and line tables.
inline constexpr std::uint32_t kBodyHeaderSize = 16;

// Line-table tags (the low six bits of the tag byte); every other value is a
// one-byte step.
inline constexpr std::uint8_t kTagMask = 0x3F;
inline constexpr std::uint8_t kFileRecord = 59;
inline constexpr std::uint8_t kLongStep = 60;
inline constexpr std::uint8_t kMediumStep = 62;
inline constexpr std::uint8_t kShortStep = 63;

// Counts below this take one byte; up to kLargestTwoByteCount take two; the
// rest take six (two 0xFF markers and a 32-bit value).
inline constexpr std::uint32_t kOneByteCountLimit = 0x80;
inline constexpr std::uint32_t kLargestTwoByteCount = 32766;

}  // namespace line_info_format
