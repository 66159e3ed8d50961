// Undoes the XOR block: checks the password against the check value, then
// unescapes each data literal and XORs it with the password and the page
// mask, giving back the page's bytes. A text page's wrapper lines are left
// out, so the output is the original file.
#pragma once

#include <string>

#include "engine/format/block_reader.h"
#include "engine/unlock_result.h"
#include "fileio/block_sink.h"

// True when `literal` can be a check value: two upper-case hex digits.
bool IsCheckValueLiteral(const std::string& literal);

// Decodes the rest of the block after its check value `check` (read from
// `reader`; `check_was_last` when the block has nothing more) and writes the
// page's bytes to `out`. A wrong password is known from the check value
// only; an altered data line that stays well-formed cannot be noticed.
TUnlockResult DecodeXorBlock(TBlockReader& reader, const std::string& check, bool check_was_last,
                             const std::string& password, TBlockSink& out);
