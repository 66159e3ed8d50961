// The tables of the side file before encoding: units, routines and line
// spans as offsets from CodeBase, each list sorted by address and free of
// overlaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/debug_info.h"
#include "tools/executable_image.h"

struct Span {
  std::uint32_t start = 0;
  std::uint32_t end = 0;  // exclusive
  std::string name;       // unit, routine or source name
  std::int64_t line = 0;  // line spans only
};

struct LineInfoTables {
  std::vector<Span> units;     // one per contiguous code range of a compilation unit
  std::vector<Span> routines;  // one per code range of a function
  std::vector<Span> lines;     // the code of one line; each lies inside one unit
};

// Turns the debug information into tables. Only code inside the image's
// code ranges and above its CodeBase is kept (the linker leaves discarded
// copies of inline functions at address 0). Where ranges overlap, the one
// that starts first keeps the overlap. A unit's ranges less than 16 bytes
// apart (alignment padding between its functions) are joined; a unit takes
// in a gap of that size before the next unit, and else the padding after
// its code up to the next 16-byte boundary (within its code range), so that
// its last line ends inside it and the reader finds that line for its last
// byte too.
LineInfoTables BuildLineInfoTables(const DebugInfo& info, const ExecutableImage& image);
