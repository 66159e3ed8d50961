#include "tests/support/test_site_keys.h"

#include <algorithm>

#include "engine/format/base64.h"
#include "engine/format/strong/key_wraps.h"
#include "engine/format/strong/strong_keys.h"
#include "platform/crypto.h"

namespace testing_support {

namespace {

TKeySlot MakeSlot(const std::string& site_salt, const std::string& password_key) {
  TKeySlot slot;
  const std::string id = SystemRandomBytes(16);
  std::copy(id.begin(), id.end(), slot.id.begin());
  slot.reader_key = SystemRandomBytes(32);
  TKeyWrap wrap{};
  SealKeyWrap(password_key, slot.reader_key,
              StrongWrapAad(Base64Encode(site_salt), Base64Encode(id), kStrongReaderWrapLabel), &wrap);
  slot.reader_wrap = wrap;
  return slot;
}

}  // namespace

std::string SystemRandomBytes(std::size_t n) {
  std::string bytes(n, '\0');
  platform::SystemRandom(bytes.data(), n);
  return bytes;
}

std::shared_ptr<TSiteKeys> MakeSiteKeys(const std::string& site_salt, unsigned iterations,
                                        const std::vector<std::string>& passwords,
                                        const std::vector<std::string>& link_secrets) {
  auto keys = std::make_shared<TSiteKeys>();
  keys->site_salt = site_salt;
  keys->iterations = iterations;
  keys->content_key = SystemRandomBytes(32);
  for (const auto& password : passwords) {
    std::string key;
    DeriveSiteKey(password, site_salt, iterations, &key);
    keys->slots.push_back(MakeSlot(site_salt, key));
  }
  for (const auto& secret : link_secrets) keys->slots.push_back(MakeSlot(site_salt, secret));
  return keys;
}

}  // namespace testing_support
