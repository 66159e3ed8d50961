// The system's cryptography against published vectors: RFC 7914 section 11
// for PBKDF2-HMAC-SHA256, RFC 5869 appendix A (cases 1 to 3) for HKDF-SHA256,
// and the AES-256 cases of McGrew and Viega's
// published GCM test vectors (test cases 13 to 16) for AES-GCM.
#include "platform/crypto.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string Hex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

const auto* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

struct Pbkdf2Vector {
  const char* password;
  const char* salt;
  std::uint32_t iterations;
  const char* key;
};

TEST(CryptoTest, Pbkdf2Sha256GivesTheRfc7914Vectors) {
  const Pbkdf2Vector vectors[] = {
      {"passwd", "salt", 1,
       "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
       "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
      {"Password", "NaCl", 80000,
       "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
       "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"},
  };
  for (const auto& v : vectors) {
    std::string key;
    ASSERT_TRUE(platform::DeriveKeyPbkdf2Sha256(v.password, v.salt, v.iterations, 64, &key)) << v.password;
    EXPECT_EQ(key, Hex(v.key)) << v.password;
    // A shorter output is the same stream's beginning.
    ASSERT_TRUE(platform::DeriveKeyPbkdf2Sha256(v.password, v.salt, v.iterations, 32, &key));
    EXPECT_EQ(key, Hex(v.key).substr(0, 32));
  }
  std::string key = "stale";
  EXPECT_FALSE(platform::DeriveKeyPbkdf2Sha256("passwd", "salt", 0, 32, &key));
  EXPECT_TRUE(key.empty());
}

// The bytes from `first` to `last`, counting up, as the RFC's vectors are made.
std::string Counting(int first, int last) {
  std::string bytes;
  for (int b = first; b <= last; ++b) bytes += static_cast<char>(b);
  return bytes;
}

struct HkdfVector {
  const char* name;
  std::string ikm, salt, info;
  const char* okm;
};

TEST(CryptoTest, HkdfSha256GivesTheRfc5869Vectors) {
  const HkdfVector vectors[] = {
      {"case 1: basic", std::string(22, '\x0b'), Counting(0x00, 0x0c), Counting(0xf0, 0xf9),
       "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865"},
      {"case 2: longer inputs and output", Counting(0x00, 0x4f), Counting(0x60, 0xaf), Counting(0xb0, 0xff),
       "b11e398dc80327a1c8e7f78c596a49344f012eda2d4efad8a050cc4c19afa97c59045a99cac7827271cb41c65e590e09"
       "da3275600c2f09b8367793a9aca3db71cc30c58179ec3e87c14c01d5c1f3434f1d87"},
      {"case 3: no salt, no info", std::string(22, '\x0b'), "", "",
       "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8"},
  };
  for (const auto& v : vectors) {
    SCOPED_TRACE(v.name);
    const std::string okm = Hex(v.okm);
    std::string key;
    ASSERT_TRUE(platform::DeriveKeyHkdfSha256(v.ikm, v.salt, v.info, okm.size(), &key));
    EXPECT_EQ(key, okm);
    // A shorter output is the same stream's beginning.
    ASSERT_TRUE(platform::DeriveKeyHkdfSha256(v.ikm, v.salt, v.info, 32, &key));
    EXPECT_EQ(key, okm.substr(0, 32));
  }
  // No output, and more than 255 blocks, are refused.
  std::string key = "stale";
  EXPECT_FALSE(platform::DeriveKeyHkdfSha256("ikm", "salt", "info", 0, &key));
  EXPECT_TRUE(key.empty());
  EXPECT_FALSE(platform::DeriveKeyHkdfSha256("ikm", "salt", "info", 255 * 32 + 1, &key));
  EXPECT_TRUE(platform::DeriveKeyHkdfSha256("ikm", "salt", "info", 255 * 32, &key));
  EXPECT_EQ(key.size(), 255u * 32);
}

struct GcmVector {
  const char* name;
  const char* key;
  const char* nonce;
  const char* aad;
  const char* plain;
  const char* cipher;
  const char* tag;
};

const char kK15[] = "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308";
// Case 16 takes the first 60 bytes of case 15's plaintext and ciphertext.
#define P16                                                          \
  "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72" \
  "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b39"
#define C16                                                          \
  "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa" \
  "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662"
const char kP15[] = P16 "1aafd255";
const char kC15[] = C16 "898015ad";
const char kZeroKey[] = "0000000000000000000000000000000000000000000000000000000000000000";
const char kZeroNonce[] = "000000000000000000000000";

const GcmVector kGcmVectors[] = {
    {"case 13: empty", kZeroKey, kZeroNonce, "", "", "", "530f8afbc74536b9a963b4f1c4cb738b"},
    {"case 14: one block", kZeroKey, kZeroNonce, "", "00000000000000000000000000000000",
     "cea7403d4d606b6e074ec5d3baf39d18", "d0d1c8a799996bf0265b98b5d48ab919"},
    {"case 15: four blocks", kK15, "cafebabefacedbaddecaf888", "", kP15, kC15,
     "b094dac5d93471bdec1a502270e3cc6c"},
    {"case 16: additional data, a partial block", kK15, "cafebabefacedbaddecaf888",
     "feedfacedeadbeeffeedfacedeadbeefabaddad2", P16, C16, "76fc6ece0f4e1768cddf8853bb2d551b"},
};

TEST(CryptoTest, AesGcmSealsAndOpensThePublishedCases) {
  for (const auto& v : kGcmVectors) {
    SCOPED_TRACE(v.name);
    platform::AesGcmKey key;
    ASSERT_TRUE(key.SetKey(Hex(v.key)));
    const std::string nonce = Hex(v.nonce), aad = Hex(v.aad), plain = Hex(v.plain);
    const std::string sealed_expected = Hex(v.cipher) + Hex(v.tag);
    std::string sealed(plain.size() + platform::kGcmTagSize, '\0');
    ASSERT_TRUE(
        key.Seal(U(nonce), aad, U(plain), plain.size(), reinterpret_cast<unsigned char*>(sealed.data())));
    EXPECT_EQ(sealed, sealed_expected);

    std::string opened(plain.size(), '\1');
    ASSERT_TRUE(key.Open(U(nonce), aad, U(sealed_expected), sealed_expected.size(),
                         reinterpret_cast<unsigned char*>(opened.data())));
    EXPECT_EQ(opened, plain);
  }
}

// Any change to ciphertext, tag, nonce or additional data fails the tag, and
// no plaintext comes out.
TEST(CryptoTest, AesGcmOpenRefusesEveryAlteration) {
  const GcmVector& v = kGcmVectors[3];
  platform::AesGcmKey key;
  ASSERT_TRUE(key.SetKey(Hex(v.key)));
  const std::string nonce = Hex(v.nonce), aad = Hex(v.aad), sealed = Hex(v.cipher) + Hex(v.tag);
  struct Alteration {
    const char* name;
    std::string nonce, aad, sealed;
  };
  auto flip = [](std::string s, std::size_t i) {
    s[i] = static_cast<char>(s[i] ^ 1);
    return s;
  };
  const Alteration alterations[] = {
      {"ciphertext", nonce, aad, flip(sealed, 0)}, {"tag", nonce, aad, flip(sealed, sealed.size() - 1)},
      {"nonce", flip(nonce, 11), aad, sealed},     {"additional data", nonce, flip(aad, 0), sealed},
      {"no additional data", nonce, "", sealed},
  };
  for (const auto& a : alterations) {
    std::string out(sealed.size() - platform::kGcmTagSize, 'x');
    EXPECT_FALSE(key.Open(U(a.nonce), a.aad, U(a.sealed), a.sealed.size(),
                          reinterpret_cast<unsigned char*>(out.data())))
        << a.name;
    EXPECT_EQ(out, std::string(out.size(), '\0')) << a.name;
  }
  // A key of the wrong size is refused, and so is a sealed text shorter than a tag.
  platform::AesGcmKey bad;
  EXPECT_FALSE(bad.SetKey(std::string(16, 'k')));
  unsigned char out[16];
  EXPECT_FALSE(bad.Open(U(nonce), "", U(sealed), sealed.size(), out));
  EXPECT_FALSE(key.Open(U(nonce), "", U(sealed), platform::kGcmTagSize - 1, out));
}

// An empty message is all tag: a wrong key, nonce, additional data or tag
// must fail it as it fails any other.
TEST(CryptoTest, AesGcmChecksTheTagOfAnEmptyMessage) {
  const GcmVector& v = kGcmVectors[0];
  const std::string tag = Hex(v.tag), nonce = Hex(v.nonce);
  platform::AesGcmKey right, wrong;
  ASSERT_TRUE(right.SetKey(Hex(v.key)));
  ASSERT_TRUE(wrong.SetKey(Hex(kK15)));
  unsigned char out[1] = {};
  ASSERT_TRUE(right.Open(U(nonce), "", U(tag), tag.size(), out));
  std::string bad_tag = tag;
  bad_tag[15] = static_cast<char>(bad_tag[15] ^ 1);
  EXPECT_FALSE(wrong.Open(U(nonce), "", U(tag), tag.size(), out)) << "a wrong key";
  EXPECT_FALSE(right.Open(U(bad_tag), "", U(bad_tag), tag.size(), out)) << "a wrong nonce";
  EXPECT_FALSE(right.Open(U(nonce), "aad", U(tag), tag.size(), out)) << "additional data";
  EXPECT_FALSE(right.Open(U(nonce), "", U(bad_tag), tag.size(), out)) << "a wrong tag";
}

// One key object serves a stream of chunks, each with its own nonce.
TEST(CryptoTest, OneKeySealsManyChunks) {
  platform::AesGcmKey key;
  ASSERT_TRUE(key.SetKey(Hex(kK15)));
  const std::string plain = Hex(kP15), nonce15 = Hex("cafebabefacedbaddecaf888");
  std::string sealed(plain.size() + 16, '\0');
  for (int round = 0; round < 3; ++round) {
    const std::string zero(16, '\0'), nonce0 = Hex(kZeroNonce);
    std::string other(32, '\0');
    ASSERT_TRUE(
        key.Seal(U(nonce0), "", U(zero), zero.size(), reinterpret_cast<unsigned char*>(other.data())));
    ASSERT_TRUE(
        key.Seal(U(nonce15), "", U(plain), plain.size(), reinterpret_cast<unsigned char*>(sealed.data())));
    EXPECT_EQ(sealed, Hex(kC15) + Hex("b094dac5d93471bdec1a502270e3cc6c")) << round;
  }
}

TEST(CryptoTest, SystemRandomFillsFreshBytes) {
  std::set<std::string> seen;
  for (int i = 0; i < 8; ++i) {
    std::string bytes(16, '\0');
    ASSERT_TRUE(platform::SystemRandom(bytes.data(), bytes.size()));
    seen.insert(bytes);
  }
  EXPECT_EQ(seen.size(), 8u);
  EXPECT_TRUE(platform::SystemRandom(nullptr, 0));
}

// Linux passes the bytes as they are; Windows converts from the ANSI code
// page, which is Windows-1252 under wine's default locale here.
TEST(CryptoTest, PasswordBecomesUtf8) {
  std::string utf8;
  ASSERT_TRUE(platform::PasswordToUtf8("plain ASCII", &utf8));
  EXPECT_EQ(utf8, "plain ASCII");
  ASSERT_TRUE(platform::PasswordToUtf8("", &utf8));
  EXPECT_EQ(utf8, "");
#ifdef _WIN32
  ASSERT_TRUE(platform::PasswordToUtf8("caf\xE9 \x80", &utf8));
  EXPECT_EQ(utf8, "caf\xC3\xA9 \xE2\x82\xAC");  // e acute, euro sign
#else
  ASSERT_TRUE(platform::PasswordToUtf8("caf\xC3\xA9", &utf8));
  EXPECT_EQ(utf8, "caf\xC3\xA9");
#endif
}

}  // namespace
