// The XOR block's fixed parts, shared by its writer, its reader and the
// size check of a lock.
#pragma once

#include <cstddef>
#include <string_view>

// Page bytes per data line of the block.
inline constexpr std::size_t kXorChunkSize = 100;
// Ends every line of a page block. The strong block keeps the XOR block's
// shape, so its lines end the same way and one reader reads both.
inline constexpr std::string_view kXorLineBreak = "\r\n";
