// Format 3's wraps: a 32-byte key sealed with AES-256-GCM under another,
// as its own random 12-byte nonce, the 32 bytes of ciphertext and the
// 16-byte tag (kStrongWrapSize bytes). The additional data
// (StrongWrapAad) binds each wrap to the format, the site and the slot, so
// a wrap moved to another slot or site, or a reader wrap put where a content
// wrap belongs, fails its tag.
#pragma once

#include <array>
#include <string>

#include "engine/format/strong/strong_format.h"

using TKeyWrap = std::array<unsigned char, kStrongWrapSize>;

// Seals the 32-byte `plain` under the 32-byte `key` with a fresh nonce from
// the system's random source. False when a size is wrong or the system fails.
bool SealKeyWrap(const std::string& key, const std::string& plain, const std::string& aad, TKeyWrap* wrap);

// Opens `wrap` (kStrongWrapSize bytes at `wrap`) under `key`. True with the
// 32 bytes in `plain`; false, `plain` empty, when the tag does not match.
bool OpenKeyWrap(const std::string& key, const unsigned char* wrap, const std::string& aad, std::string* plain);
