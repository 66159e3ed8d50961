#include "engine/format/strong/strong_keys.h"

#include <cstring>

#include "engine/format/strong/strong_format.h"
#include "platform/crypto.h"
#include "resources/message_table.h"

bool IsValidUtf8(const std::string& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;   // overlong
      if (c == 0xED) high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;   // overlong
      if (c == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (n - i < length || s[i + 1] < low || s[i + 1] > high) return false;
    for (std::size_t k = 2; k < length; ++k)
      if (s[i + k] < 0x80 || s[i + k] > 0xBF) return false;
    i += length;
  }
  return true;
}

TProblem StrongPasswordBytes(const TPassword& password, std::string* utf8) {
  if (!password.ToUtf8(utf8)) {
    utf8->clear();
    return {{messages::kPasswordNotConvertible, {}}, {}};
  }
  if (!IsValidUtf8(*utf8)) {
    utf8->clear();
    return {{messages::kPasswordNotUtf8, {}}, {}};
  }
  return {};
}

bool DeriveSiteKey(const std::string& utf8_password, const std::string& salt, std::uint32_t iterations,
                   std::string* key) {
  return platform::DeriveKeyPbkdf2Sha256(utf8_password, salt, iterations, platform::kAesKeySize, key);
}

bool DerivePageKey(const std::string& site_key, const std::string& page_salt, std::string* key) {
  return platform::DeriveKeyHkdfSha256(site_key, page_salt,
                                       std::string(kStrongPageKeyInfo, std::strlen(kStrongPageKeyInfo)),
                                       platform::kAesKeySize, key);
}
