// The key that opens a strong lock's pages (TLockResult::site_key,
// TSiteResult::site_key) as a share link carries it in its fragment.
#pragma once

#include <string>

// Base64url (RFC 4648 section 5) without "=" padding.
std::string Base64Url(const std::string& bytes);
