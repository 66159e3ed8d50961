// The strong page block: the page's bytes sealed with AES-256-GCM in
// chunks (engine/strong_stream.h), as lines of single-quoted script string
// literals closed by ");" (engine/sealed_lines.h), the shape of the XOR
// block, so it splices into the same payload area. The README describes the
// format for independent decoders. Locks write format 2 through the strong
// codec (engine/strong_codec.h); format 1's writer stays for the tests that
// prove format 1 pages still open.
#pragma once

#include <string>

#include "engine/page_codec.h"
#include "engine/password.h"
#include "engine/sealed_lines.h"
#include "engine/strong_stream.h"
#include "fileio/block_sink.h"

// Seals every byte of `page` (0 bytes included, an empty page as one empty
// chunk) through `stream` and writes the sealed lines, the last closed by
// ");". `progress`, when set, hears after each chunk how many of the page's
// bytes are sealed.
TBlockStatus SealPageChunks(TByteSource& page, const TStrongStream& stream, TSealedLines& lines,
                            const TCodecProgress& progress);

// Format 1: reads the file at `source_path` and streams its block into
// `sink`, lines ending in CR LF, with a fresh salt and nonce prefix from the
// system's random source; the key is PBKDF2 of the password (the system's
// code page; it goes in as UTF-8) and the salt. False when the file cannot
// be read, the random source or the cryptography fails, or the sink
// refuses; the sink may then hold the block's beginning.
bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      TBlockSink& sink);

// The same with a given salt (16 bytes) and nonce prefix (7 bytes), so that
// tests can fix them. False for other sizes.
bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      const std::string& salt, const std::string& nonce_prefix, TBlockSink& sink);
