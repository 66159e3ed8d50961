// Cryptography from OpenSSL's libcrypto; random bytes from getrandom.
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/crypto.h"

namespace platform {

bool DeriveKeyPbkdf2Sha256(const std::string& password, const std::string& salt, std::uint32_t iterations,
                           std::size_t length, std::string* key) {
  key->clear();
  if (iterations == 0 || iterations > INT_MAX || length > INT_MAX || password.size() > INT_MAX ||
      salt.size() > INT_MAX)
    return false;
  std::string out(length, '\0');
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                        static_cast<int>(iterations), EVP_sha256(), static_cast<int>(length),
                        reinterpret_cast<unsigned char*>(out.data())) != 1)
    return false;
  *key = std::move(out);
  return true;
}

bool DeriveKeyHkdfSha256(const std::string& ikm, const std::string& salt, const std::string& info,
                         std::size_t length, std::string* key) {
  key->clear();
  if (length == 0 || length > 255 * 32) return false;
  EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
  EVP_KDF_CTX* ctx = kdf ? EVP_KDF_CTX_new(kdf) : nullptr;
  EVP_KDF_free(kdf);
  if (!ctx) return false;
  // OSSL_PARAM wants writable pointers; the KDF only reads through them.
  char digest[] = "SHA256";
  auto bytes = [](const std::string& s) { return const_cast<char*>(s.data()); };
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, bytes(ikm), ikm.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, bytes(salt), salt.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, bytes(info), info.size()),
      OSSL_PARAM_construct_end(),
  };
  std::string out(length, '\0');
  const bool ok = EVP_KDF_derive(ctx, reinterpret_cast<unsigned char*>(out.data()), length, params) == 1;
  EVP_KDF_CTX_free(ctx);
  if (ok) *key = std::move(out);
  return ok;
}

// One context per direction, each holding the expanded key; a new nonce is
// set per chunk without expanding the key again.
struct AesGcmKey::State {
  EVP_CIPHER_CTX* seal = nullptr;
  EVP_CIPHER_CTX* open = nullptr;
  ~State() {
    EVP_CIPHER_CTX_free(seal);
    EVP_CIPHER_CTX_free(open);
  }
};

AesGcmKey::AesGcmKey() = default;
AesGcmKey::~AesGcmKey() = default;

bool AesGcmKey::SetKey(const std::string& key) {
  state_.reset();
  if (key.size() != kAesKeySize) return false;
  auto state = std::make_unique<State>();
  state->seal = EVP_CIPHER_CTX_new();
  state->open = EVP_CIPHER_CTX_new();
  const auto* k = reinterpret_cast<const unsigned char*>(key.data());
  if (!state->seal || !state->open ||
      EVP_EncryptInit_ex(state->seal, EVP_aes_256_gcm(), nullptr, k, nullptr) != 1 ||
      EVP_DecryptInit_ex(state->open, EVP_aes_256_gcm(), nullptr, k, nullptr) != 1)
    return false;
  state_ = std::move(state);
  return true;
}

namespace {

// EVP takes int lengths; feed longer inputs in slices.
constexpr std::size_t kSlice = 1u << 30;

bool AddAad(EVP_CIPHER_CTX* ctx, const std::string& aad) {
  int n = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(aad.data());
  for (std::size_t done = 0; done < aad.size(); done += kSlice) {
    const std::size_t part = std::min(kSlice, aad.size() - done);
    if (EVP_CipherUpdate(ctx, nullptr, &n, p + done, static_cast<int>(part)) != 1) return false;
  }
  return true;
}

bool Transform(EVP_CIPHER_CTX* ctx, const unsigned char* in, std::size_t size, unsigned char* out) {
  int n = 0;
  for (std::size_t done = 0; done < size; done += kSlice) {
    const std::size_t part = std::min(kSlice, size - done);
    if (EVP_CipherUpdate(ctx, out + done, &n, in + done, static_cast<int>(part)) != 1) return false;
  }
  return true;
}

}  // namespace

bool AesGcmKey::Seal(const unsigned char* nonce, const std::string& aad, const unsigned char* plain,
                     std::size_t size, unsigned char* out) const {
  if (!state_) return false;
  EVP_CIPHER_CTX* ctx = state_->seal;
  int n = 0;
  return EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, nonce) == 1 && AddAad(ctx, aad) &&
         Transform(ctx, plain, size, out) && EVP_EncryptFinal_ex(ctx, out + size, &n) == 1 &&
         EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, static_cast<int>(kGcmTagSize), out + size) == 1;
}

bool AesGcmKey::Open(const unsigned char* nonce, const std::string& aad, const unsigned char* sealed,
                     std::size_t size, unsigned char* out) const {
  if (!state_ || size < kGcmTagSize) return false;
  EVP_CIPHER_CTX* ctx = state_->open;
  const std::size_t text = size - kGcmTagSize;
  // The tag is checked by the final call, after the plaintext was written;
  // on a mismatch that plaintext is wiped before anyone sees it.
  unsigned char tag[kGcmTagSize];
  std::memcpy(tag, sealed + text, kGcmTagSize);
  int n = 0;
  const bool ok = EVP_DecryptInit_ex(ctx, nullptr, nullptr, nullptr, nonce) == 1 && AddAad(ctx, aad) &&
                  Transform(ctx, sealed, text, out) &&
                  EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, static_cast<int>(kGcmTagSize), tag) == 1 &&
                  EVP_DecryptFinal_ex(ctx, out + text, &n) == 1;
  if (!ok && text > 0) std::memset(out, 0, text);
  return ok;
}

bool SystemRandom(void* buffer, std::size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = getrandom(out + done, size - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool PasswordToUtf8(const std::string& typed, std::string* utf8) {
  *utf8 = typed;
  return true;
}

void Wipe(void* data, std::size_t size) {
  if (size) OPENSSL_cleanse(data, size);
}

void Wipe(std::string* text) {
  // The whole buffer, not only the text: an erased or shortened text leaves
  // its old bytes behind its end.
  text->resize(text->capacity());
  Wipe(text->data(), text->size());
  text->clear();
}

}  // namespace platform
