// The strong page block: the page's bytes sealed with AES-256-GCM in
// chunks (engine/format/strong/strong_stream.h), as lines of single-quoted script string
// literals closed by ");" (engine/format/strong/sealed_lines.h), the shape of the XOR
// block, so it splices into the same payload area. docs/formats.md describes
// the format for independent decoders. Locks write format 2 through the strong
// codec (engine/format/strong/strong_codec.h); format 1's writer lives in the tests'
// support code, for the tests that prove format 1 pages still open.
#pragma once

#include <string>

#include "engine/format/page_codec.h"
#include "engine/format/strong/sealed_lines.h"
#include "engine/format/strong/strong_stream.h"
#include "engine/password.h"
#include "fileio/block_sink.h"

// Seals every byte of `page` (0 bytes included, an empty page as one empty
// chunk) through `stream` and writes the sealed lines, the last closed by
// ");". `progress`, when set, hears after each chunk how many of the page's
// bytes are sealed.
TOutcome SealPageChunks(TByteSource& page, const TStrongStream& stream, TSealedLines& lines,
                        const TCodecProgress& progress);
