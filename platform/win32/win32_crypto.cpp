// Cryptography from CNG (bcrypt.dll), on every Windows since Vista.
#include <windows.h>
// windows.h comes first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/crypto.h"

namespace platform {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// An algorithm provider, closed when it goes.
class Provider {
 public:
  Provider(const wchar_t* algorithm, ULONG flags) {
    if (!Succeeded(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) handle_ = nullptr;
  }
  ~Provider() {
    if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

PUCHAR Bytes(const void* p) { return static_cast<PUCHAR>(const_cast<void*>(p)); }

}  // namespace

bool DeriveKeyPbkdf2Sha256(const std::string& password, const std::string& salt, std::uint32_t iterations,
                           std::size_t length, std::string* key) {
  key->clear();
  if (iterations == 0 || length > ULONG_MAX) return false;
  Provider hmac(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (!hmac.get()) return false;
  std::string out(length, '\0');
  // CNG wants a buffer even for an empty password or salt.
  const char none = 0;
  const char* pw = password.empty() ? &none : password.data();
  const char* sa = salt.empty() ? &none : salt.data();
  if (!Succeeded(BCryptDeriveKeyPBKDF2(hmac.get(), Bytes(pw), static_cast<ULONG>(password.size()), Bytes(sa),
                                       static_cast<ULONG>(salt.size()), iterations, Bytes(out.data()),
                                       static_cast<ULONG>(length), 0)))
    return false;
  *key = std::move(out);
  return true;
}

namespace {

constexpr std::size_t kSha256Size = 32;

// HMAC-SHA256 of the concatenated `parts` under `secret`.
bool HmacSha256(const Provider& hmac, const std::string& secret, std::initializer_list<std::string> parts,
                unsigned char (&mac)[kSha256Size]) {
  BCRYPT_HASH_HANDLE hash = nullptr;
  // CNG wants a buffer even for an empty secret.
  const char none = 0;
  if (!Succeeded(BCryptCreateHash(hmac.get(), &hash, nullptr, 0,
                                  Bytes(secret.empty() ? &none : secret.data()),
                                  static_cast<ULONG>(secret.size()), 0)))
    return false;
  bool ok = true;
  for (const std::string& part : parts)
    ok = ok && (part.empty() ||
                Succeeded(BCryptHashData(hash, Bytes(part.data()), static_cast<ULONG>(part.size()), 0)));
  ok = ok && Succeeded(BCryptFinishHash(hash, mac, static_cast<ULONG>(kSha256Size), 0));
  BCryptDestroyHash(hash);
  return ok;
}

}  // namespace

// Built from HMAC-SHA256 as RFC 5869 gives it: CNG's own HKDF algorithm is
// missing before Windows 10, and wine has none.
bool DeriveKeyHkdfSha256(const std::string& ikm, const std::string& salt, const std::string& info,
                         std::size_t length, std::string* key) {
  key->clear();
  if (length == 0 || length > 255 * kSha256Size || ikm.size() > ULONG_MAX || info.size() > ULONG_MAX)
    return false;
  Provider hmac(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (!hmac.get()) return false;
  unsigned char prk[kSha256Size];
  const std::string zeros(kSha256Size, '\0');
  if (!HmacSha256(hmac, salt.empty() ? zeros : salt, {ikm}, prk)) return false;
  const std::string prk_key(reinterpret_cast<const char*>(prk), kSha256Size);
  std::string out, block;
  for (unsigned char counter = 1; out.size() < length; ++counter) {
    unsigned char t[kSha256Size];
    if (!HmacSha256(hmac, prk_key, {block, info, std::string(1, static_cast<char>(counter))}, t))
      return false;
    block.assign(reinterpret_cast<const char*>(t), kSha256Size);
    out += block;
  }
  out.resize(length);
  *key = std::move(out);
  return true;
}

// The provider and the key object live as long as the key: CNG expands the
// key once, when the key object is made.
struct AesGcmKey::State {
  Provider aes{BCRYPT_AES_ALGORITHM, 0};
  BCRYPT_KEY_HANDLE key = nullptr;
  ~State() {
    if (key) BCryptDestroyKey(key);
  }
};

AesGcmKey::AesGcmKey() = default;
AesGcmKey::~AesGcmKey() = default;

bool AesGcmKey::SetKey(const std::string& key) {
  state_.reset();
  if (key.size() != kAesKeySize) return false;
  auto state = std::make_unique<State>();
  if (!state->aes.get()) return false;
  const wchar_t* mode = BCRYPT_CHAIN_MODE_GCM;
  if (!Succeeded(BCryptSetProperty(state->aes.get(), BCRYPT_CHAINING_MODE, Bytes(mode),
                                   static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t)), 0)))
    return false;
  if (!Succeeded(BCryptGenerateSymmetricKey(state->aes.get(), &state->key, nullptr, 0, Bytes(key.data()),
                                            static_cast<ULONG>(key.size()), 0))) {
    state->key = nullptr;
    return false;
  }
  state_ = std::move(state);
  return true;
}

namespace {

void FillModeInfo(BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO* info, const unsigned char* nonce,
                  const std::string& aad, unsigned char* tag) {
  BCRYPT_INIT_AUTH_MODE_INFO(*info);
  info->pbNonce = Bytes(nonce);
  info->cbNonce = static_cast<ULONG>(kGcmNonceSize);
  info->pbAuthData = aad.empty() ? nullptr : Bytes(aad.data());
  info->cbAuthData = static_cast<ULONG>(aad.size());
  info->pbTag = tag;
  info->cbTag = static_cast<ULONG>(kGcmTagSize);
}

}  // namespace

bool AesGcmKey::Seal(const unsigned char* nonce, const std::string& aad, const unsigned char* plain,
                     std::size_t size, unsigned char* out) const {
  if (!state_ || size > ULONG_MAX || aad.size() > ULONG_MAX) return false;
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
  FillModeInfo(&info, nonce, aad, out + size);
  ULONG written = 0;
  return Succeeded(BCryptEncrypt(state_->key, size ? Bytes(plain) : nullptr, static_cast<ULONG>(size), &info,
                                 nullptr, 0, size ? out : nullptr, static_cast<ULONG>(size), &written, 0)) &&
         written == size;
}

bool AesGcmKey::Open(const unsigned char* nonce, const std::string& aad, const unsigned char* sealed,
                     std::size_t size, unsigned char* out) const {
  if (!state_ || size < kGcmTagSize || size > ULONG_MAX || aad.size() > ULONG_MAX) return false;
  const std::size_t text = size - kGcmTagSize;
  unsigned char tag[kGcmTagSize];
  std::memcpy(tag, sealed + text, kGcmTagSize);
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
  FillModeInfo(&info, nonce, aad, tag);
  ULONG written = 0;
  // An empty message still goes in with buffers: given none, the call
  // answers success without looking at the tag (wine's bcrypt does).
  unsigned char none[1] = {};
  const bool ok =
      Succeeded(BCryptDecrypt(state_->key, text ? Bytes(sealed) : none, static_cast<ULONG>(text), &info, nullptr,
                              0, text ? out : none, static_cast<ULONG>(text), &written, 0)) &&
      written == text;
  // Whatever was written before the tag was found wrong is wiped.
  if (!ok && text > 0) std::memset(out, 0, text);
  return ok;
}

bool SystemRandom(void* buffer, std::size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const ULONG part = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
    if (!Succeeded(BCryptGenRandom(nullptr, out, part, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return false;
    out += part;
    size -= part;
  }
  return true;
}

bool PasswordToUtf8(const std::string& typed, std::string* utf8) {
  utf8->clear();
  if (typed.empty()) return true;
  if (typed.size() > INT_MAX / 4) return false;
  const int n = static_cast<int>(typed.size());
  const int wide_length = MultiByteToWideChar(CP_ACP, 0, typed.data(), n, nullptr, 0);
  if (wide_length <= 0) return false;
  std::vector<wchar_t> wide(static_cast<std::size_t>(wide_length));
  if (MultiByteToWideChar(CP_ACP, 0, typed.data(), n, wide.data(), wide_length) != wide_length) return false;
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return false;
  std::string out(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, out.data(), length, nullptr, nullptr) !=
      length)
    return false;
  *utf8 = std::move(out);
  return true;
}

void Wipe(void* data, std::size_t size) {
  if (size) SecureZeroMemory(data, size);
}

void Wipe(std::string* text) {
  // The whole buffer, not only the text: an erased or shortened text leaves
  // its old bytes behind its end.
  text->resize(text->capacity());
  Wipe(text->data(), text->size());
  text->clear();
}

}  // namespace platform
