// The system's cryptography: key derivation, authenticated encryption and
// random bytes, from CNG (bcrypt.dll) on Windows and OpenSSL's libcrypto
// elsewhere. Nothing here is written by hand; this is only the door to the
// system's own implementations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::size_t kAesKeySize = 32;
inline constexpr std::size_t kGcmNonceSize = 12;
inline constexpr std::size_t kGcmTagSize = 16;

// PBKDF2 with HMAC-SHA256: derives `length` bytes from the password's bytes
// (taken as they are) and the salt with `iterations` rounds (at least 1).
// True with `key` holding exactly `length` bytes; false when the system
// refuses, and `key` is then empty.
bool DeriveKeyPbkdf2Sha256(const std::string& password, const std::string& salt, std::uint32_t iterations,
                           std::size_t length, std::string* key);

// HKDF with HMAC-SHA256 (RFC 5869): extracts a pseudorandom key from `ikm`
// and `salt` (an empty salt stands for 32 zero bytes), then expands it with
// `info` to `length` bytes (1 to 8160). True with `key` holding exactly
// `length` bytes; false when the length is out of range or the system
// refuses, and `key` is then empty.
bool DeriveKeyHkdfSha256(const std::string& ikm, const std::string& salt, const std::string& info,
                         std::size_t length, std::string* key);

// AES-256 in GCM mode under one key, kept ready for many seals and opens so
// that a long stream of chunks pays for the key set-up once. Nonces are 12
// bytes and tags 16; the caller never uses a nonce twice under one key.
class AesGcmKey {
 public:
  AesGcmKey();
  ~AesGcmKey();
  AesGcmKey(const AesGcmKey&) = delete;
  AesGcmKey& operator=(const AesGcmKey&) = delete;

  // Takes the 32-byte key. False when it has another size or the system
  // refuses; the object then seals and opens nothing.
  bool SetKey(const std::string& key);

  // Encrypts `size` bytes of `plain` (which may be null when size is 0) with
  // `nonce` (12 bytes), authenticating `aad` as well. Writes `size` bytes of
  // ciphertext and then the 16-byte tag to `out`, which holds size + 16
  // bytes and does not overlap `plain`. False when the system fails; `out`
  // is then undefined.
  bool Seal(const unsigned char* nonce, const std::string& aad, const unsigned char* plain, std::size_t size,
            unsigned char* out) const;

  // Checks and decrypts `size` bytes of `sealed` (ciphertext followed by its
  // 16-byte tag; size is at least 16) with `nonce` and `aad`. True with
  // size - 16 bytes of plaintext in `out`, which does not overlap `sealed`.
  // False when the tag does not match (a wrong key, or altered ciphertext,
  // nonce or aad), when size is below 16, or when the system fails; `out`
  // then holds zeros, never unchecked plaintext.
  bool Open(const unsigned char* nonce, const std::string& aad, const unsigned char* sealed, std::size_t size,
            unsigned char* out) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Fills `size` bytes from the system's cryptographic random source
// (getrandom on Linux, BCryptGenRandom on Windows). False when it fails.
bool SystemRandom(void* buffer, std::size_t size);

// A typed password as UTF-8, so that the same password derives the same key
// on every system: Windows converts from the ANSI code page; elsewhere the
// bytes already are what the terminal sent and stay as they are. False when
// the text cannot be converted; `utf8` is then empty.
bool PasswordToUtf8(const std::string& typed, std::string* utf8);

// Overwrites the bytes with zeros in a way the compiler keeps
// (OPENSSL_cleanse, SecureZeroMemory): for a password or a key that is no
// longer needed.
void Wipe(void* data, std::size_t size);
// Wipes the string's whole buffer (its capacity) and empties it.
void Wipe(std::string* text);

// Wipes the strings it is given when it goes out of scope: the passwords
// and keys a function derives on its way.
class WipeOnExit {
 public:
  WipeOnExit(std::initializer_list<std::string*> texts) : texts_(texts) {}
  ~WipeOnExit() {
    for (std::string* text : texts_) Wipe(text);
  }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::vector<std::string*> texts_;
};

}  // namespace platform
