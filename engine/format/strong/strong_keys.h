// The strong format's keys, from the typed password to a page's key. Format
// 1 seals a page under the password's key itself; format 2 derives that key
// once per run (the site key) and each page's own key from it, so that one
// derivation serves a whole site and no key and nonce repeat across pages.
#pragma once

#include <cstdint>
#include <string>

#include "engine/outcome.h"
#include "engine/password.h"

// True when `text` is well-formed UTF-8: no stray continuation byte, no
// overlong form, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& text);

// The password as the UTF-8 bytes every decoder derives from: its UTF-8
// form when the caller read it as wide text, else the typed bytes (the
// system's code page converted on Windows, the bytes themselves elsewhere).
// The problem, with `utf8` left empty, when the typed text has no UTF-8
// form in the code page's terms (Windows: kPasswordNotConvertible) or its
// bytes are not valid UTF-8 (a Linux terminal in another charset: no
// browser would derive the same key from what its reader types;
// kPasswordNotUtf8).
TProblem StrongPasswordBytes(const TPassword& password, std::string* utf8);

// Format 1's key and format 2's site key: PBKDF2-HMAC-SHA256 of the UTF-8
// password and the salt, `iterations` rounds, 32 bytes. False when the
// system refuses; `key` is then empty.
bool DeriveSiteKey(const std::string& utf8_password, const std::string& salt, std::uint32_t iterations,
                   std::string* key);

// Format 2's page key: HKDF-SHA256 with the site key as input key material,
// the page salt's bytes as salt and kStrongPageKeyInfo as info, 32 bytes.
// False when the system refuses; `key` is then empty.
bool DerivePageKey(const std::string& site_key, const std::string& page_salt, std::string* key);
