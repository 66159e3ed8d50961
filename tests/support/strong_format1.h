// Format 1 of the strong block, which locks wrote before format 2: kept for
// the tests that prove such pages still open, and built on the engine's own
// sealing (SealPageChunks).
#pragma once

#include <string>

#include "engine/password.h"
#include "fileio/block_sink.h"

// Reads the file at `source_path` and streams its block into `sink`, lines
// ending in CR LF, with a fresh salt and nonce prefix from the system's
// random source; the key is PBKDF2 of the password (the system's code page;
// it goes in as UTF-8) and the salt. False when the file cannot be read, the
// random source or the cryptography fails, or the sink refuses; the sink may
// then hold the block's beginning.
bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      TBlockSink& sink);

// The same with a given salt (16 bytes) and nonce prefix (7 bytes), so that
// tests can fix them. False for other sizes.
bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      const std::string& salt, const std::string& nonce_prefix, TBlockSink& sink);
