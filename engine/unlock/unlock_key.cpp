#include "engine/unlock_key.h"

#include "engine/format/base64.h"
#include "platform/crypto.h"

TUnlockKey::~TUnlockKey() { platform::Wipe(&secret); }

bool ShareLinkSecret(const std::string& text, std::string* secret) {
  secret->clear();
  static const char kFragment[] = "#zendrel-key=";
  const std::size_t at = text.rfind(kFragment);
  std::string code = at == std::string::npos ? text : text.substr(at + sizeof kFragment - 1);
  // 32 bytes are 43 characters of base64url without its one "=".
  if (code.size() != 43) return false;
  for (char& c : code) {
    if (c == '+' || c == '/') return false;
    if (c == '-') c = '+';
    if (c == '_') c = '/';
  }
  std::string bytes;
  if (!Base64Decode(code + "=", &bytes) || bytes.size() != platform::kAesKeySize ||
      Base64Encode(bytes) != code + "=") {
    platform::Wipe(&bytes);
    platform::Wipe(&code);
    return false;
  }
  platform::Wipe(&code);
  *secret = std::move(bytes);
  return true;
}
