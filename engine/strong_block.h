// The strong page block: the page's bytes sealed with AES-256-GCM in
// chunks, under a key derived from the password with PBKDF2-HMAC-SHA256, as
// lines of single-quoted script string literals closed by ");" (the shape
// of the XOR block, so it splices into the same payload area). The README
// describes the format for independent decoders.
#pragma once

#include <string>

#include "engine/block_sink.h"
#include "engine/lock_progress.h"
#include "engine/password.h"

// Reads every byte of the file at `source_path` (0 bytes included) and
// streams its strong block into `sink`, with a fresh salt and nonce prefix
// from the system's random source. `password` goes into the key derivation
// as UTF-8 (TPassword::ToUtf8).
// `text_page` marks a plain-text page. Memory stays bounded whatever the
// page's size. False when the file cannot be opened or read, the random
// source or the cryptography fails, or the sink refuses; the sink may then
// hold the block's beginning.
// `progress`, when set, hears after each chunk how many of the page's bytes
// are sealed.
bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      TBlockSink& sink, const TLockProgress& progress = {});

// The same with a given salt (16 bytes) and nonce prefix (7 bytes), so that
// tests can fix them. False for other sizes. Never reuse a prefix with the
// same password and salt.
bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      const std::string& salt, const std::string& nonce_prefix, TBlockSink& sink,
                      const TLockProgress& progress = {});
