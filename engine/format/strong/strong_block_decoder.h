// Opens the strong block of either version: reads its header, derives the
// key from the password (format 2: the site key, then the page's key from
// it), and opens the sealed chunks one after another, each checked by
// its tag before a byte of it is written.
#pragma once

#include <string>

#include "engine/format/block_reader.h"
#include "engine/password.h"
#include "engine/unlock_result.h"
#include "fileio/block_sink.h"

// Decodes the rest of a strong block whose first literal, `format`
// (kStrongFormatName or kStrongFormat2Name), `reader` has just read, and
// writes the page's bytes to `out`. A
// wrong password fails the first chunk's tag; a later failing tag, a last
// chunk that is not marked as last, or anything after it means the page was
// altered or cut short. On failure `out` may hold the chunks that were
// proven before the failure, never an unproven byte.
TUnlockResult DecodeStrongBlock(TBlockReader& reader, const std::string& format, const TPassword& password,
                                TBlockSink& out);
