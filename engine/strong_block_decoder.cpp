#include "engine/strong_block_decoder.h"

#include <cstdint>

#include "engine/base64.h"
#include "engine/strong_format.h"
#include "platform/crypto.h"

namespace {

constexpr std::size_t kSealedChunk = kStrongChunkSize + platform::kGcmTagSize;
// A foreign page cannot make the reader spend hours deriving a key.
constexpr std::uint32_t kMaxIterations = 100000000;

TUnlockResult Damaged(const std::string& what) {
  return {TUnlockStatus::Damaged, "The locked page is damaged: " + what + "."};
}

// The iteration count in plain decimal, without leading zeros.
bool ParseIterations(const std::string& text, std::uint32_t* count) {
  if (text.empty() || text.size() > 9 || text[0] == '0') return false;
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  *count = value;
  return value <= kMaxIterations;
}

class TChunkOpener {
 public:
  TChunkOpener(const platform::AesGcmKey& key, std::string aad, std::string prefix, TBlockSink& out)
      : key_(key), aad_(std::move(aad)), prefix_(std::move(prefix)), out_(out), plain_(kStrongChunkSize) {}

  // Opens one sealed chunk and writes it.
  TUnlockResult Open(const std::string& sealed, std::size_t size, bool last) {
    unsigned char nonce[platform::kGcmNonceSize];
    StrongNonce(prefix_, index_, last, nonce);
    if (!key_.Open(nonce, aad_, reinterpret_cast<const unsigned char*>(sealed.data()), size, plain_.data())) {
      if (index_ == 0) return {TUnlockStatus::WrongPassword, "Wrong password (or the page was altered)."};
      return Damaged("chunk " + std::to_string(index_) +
                     (last ? " does not open as the last: the page was cut short or altered"
                           : " does not authenticate: the page was altered"));
    }
    if (!out_.Put(reinterpret_cast<const char*>(plain_.data()), size - platform::kGcmTagSize))
      return {TUnlockStatus::WriteFailed, ""};
    if (index_ == UINT32_MAX) return Damaged("more chunks than the format can count");
    ++index_;
    return {};
  }

 private:
  const platform::AesGcmKey& key_;
  const std::string aad_, prefix_;
  TBlockSink& out_;
  std::vector<unsigned char> plain_;
  std::uint32_t index_ = 0;
};

}  // namespace

TUnlockResult DecodeStrongBlock(TBlockReader& reader, const TPassword& password, TBlockSink& out) {
  std::string header[kStrongHeaderLiterals] = {kStrongFormatName};
  bool last = false;
  for (std::size_t i = 1; i < kStrongHeaderLiterals; ++i) {
    const TBlockReader::TStatus status = reader.Next(&header[i], &last);
    if (status == TBlockReader::TStatus::ReadFailed)
      return {TUnlockStatus::ReadFailed, "Cannot read the locked page: " + reader.LastErrorText()};
    if (status != TBlockReader::TStatus::Ok) return Damaged(reader.Problem());
    if (last) return Damaged("the block ends within its header");
  }
  std::uint32_t iterations = 0;
  std::string salt, prefix;
  if (!ParseIterations(header[1], &iterations))
    return Damaged("the iteration count is not a number we accept");
  if (!Base64Decode(header[2], &salt) || salt.size() != kStrongSaltSize)
    return Damaged("the salt is not 16 bytes of base64");
  if (!Base64Decode(header[3], &prefix) || prefix.size() != kStrongNoncePrefixSize)
    return Damaged("the nonce prefix is not 7 bytes of base64");
  if (header[4] != kStrongHtmlKind && header[4] != kStrongTextKind)
    return Damaged("the page kind is neither html nor text");

  std::string utf8, key_bytes;
  platform::AesGcmKey key;
  if (!password.ToUtf8(&utf8))
    return {TUnlockStatus::WrongPassword, "The password cannot be converted to UTF-8."};
  if (!platform::DeriveKeyPbkdf2Sha256(utf8, salt, iterations, platform::kAesKeySize, &key_bytes) ||
      !key.SetKey(key_bytes))
    return {TUnlockStatus::CryptoFailed, "The system's cryptography failed."};

  // A chunk is opened once more data follows it; what remains at the end is
  // the last chunk.
  TChunkOpener opener(key, StrongAad(header), prefix, out);
  TBase64Decoder base64;
  std::string text, sealed;
  for (std::size_t line = kStrongHeaderLiterals + 1; !last; ++line) {
    const TBlockReader::TStatus status = reader.Next(&text, &last);
    if (status == TBlockReader::TStatus::ReadFailed)
      return {TUnlockStatus::ReadFailed, "Cannot read the locked page: " + reader.LastErrorText()};
    if (status != TBlockReader::TStatus::Ok) return Damaged(reader.Problem());
    if (!base64.Put(text, &sealed)) return Damaged("literal " + std::to_string(line) + " is not base64");
    while (sealed.size() > kSealedChunk) {
      TUnlockResult opened = opener.Open(sealed, kSealedChunk, false);
      if (opened.status != TUnlockStatus::Done) return opened;
      sealed.erase(0, kSealedChunk);
    }
  }
  if (!base64.Finish()) return Damaged("the sealed data ends inside a base64 group");
  if (sealed.size() < platform::kGcmTagSize) return Damaged("the last chunk is shorter than its tag");
  return opener.Open(sealed, sealed.size(), true);
}
