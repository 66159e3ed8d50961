// Encodes the tables into the bytes of a side file: the 64-byte header with
// the magic text and version, then the body the program reads.
#pragma once

#include <cstdint>
#include <string>

#include "tools/line_tables.h"

// The whole file. Gaps between units and between routines become records
// with empty names, which the reader treats as nothing found. In the line
// table a file record starts each run of one source, and every span that is
// not followed directly by the next span of the same source is closed by a
// step back to line 0 at its end, so that the reader's search ends on the
// right line for every address of a span; the reader takes a step that
// ends at its unit's end, so the last byte of a unit has its line too.
// Names longer than 255 bytes are cut.
std::string EncodeLineInfo(const LineInfoTables& tables);

// Encoders of the file's small parts, exposed for tests.
std::string EncodeName(const std::string& name);
std::string EncodeCount(std::uint32_t value);
