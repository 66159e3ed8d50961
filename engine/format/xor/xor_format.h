// The XOR block's fixed parts, shared by its writer, its reader and the
// size check of a lock.
#pragma once

#include <cstddef>
#include <string_view>

// Page bytes per data line of the block.
inline constexpr std::size_t kXorChunkSize = 100;
// Ends every line of a page block in a CR LF template (the bundled ones); a
// block's lines follow the line break of its template's "//Page Begin"
// line. Format 1's strong blocks always end their lines so.
inline constexpr std::string_view kXorLineBreak = "\r\n";
