#include "engine/format/strong/key_wraps.h"

#include "platform/crypto.h"

namespace {
constexpr std::size_t kSealedKey = platform::kAesKeySize + platform::kGcmTagSize;
static_assert(platform::kGcmNonceSize + kSealedKey == kStrongWrapSize, "a wrap is nonce, key and tag");
}  // namespace

bool SealKeyWrap(const std::string& key, const std::string& plain, const std::string& aad, TKeyWrap* wrap) {
  platform::AesGcmKey sealer;
  return plain.size() == platform::kAesKeySize && sealer.SetKey(key) &&
         platform::SystemRandom(wrap->data(), platform::kGcmNonceSize) &&
         sealer.Seal(wrap->data(), aad, reinterpret_cast<const unsigned char*>(plain.data()), plain.size(),
                     wrap->data() + platform::kGcmNonceSize);
}

bool OpenKeyWrap(const std::string& key, const unsigned char* wrap, const std::string& aad, std::string* plain) {
  platform::AesGcmKey opener;
  plain->assign(platform::kAesKeySize, '\0');
  if (opener.SetKey(key) && opener.Open(wrap, aad, wrap + platform::kGcmNonceSize, kSealedKey,
                                        reinterpret_cast<unsigned char*>(plain->data())))
    return true;
  platform::Wipe(plain);
  return false;
}
