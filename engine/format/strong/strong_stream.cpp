#include "engine/format/strong/strong_stream.h"

#include <utility>

#include "engine/format/strong/strong_format.h"

bool TStrongStream::Start(const std::string& key, const std::string& nonce_prefix, std::string aad) {
  started_ = nonce_prefix.size() == kStrongNoncePrefixSize && key_.SetKey(key);
  prefix_ = nonce_prefix;
  aad_ = std::move(aad);
  return started_;
}

bool TStrongStream::Seal(std::uint32_t index, bool last, const unsigned char* plain, std::size_t size,
                         unsigned char* out) const {
  if (!started_) return false;
  unsigned char nonce[platform::kGcmNonceSize];
  StrongNonce(prefix_, index, last, nonce);
  return key_.Seal(nonce, aad_, plain, size, out);
}

bool TStrongStream::Open(std::uint32_t index, bool last, const unsigned char* sealed, std::size_t size,
                         unsigned char* out) const {
  if (!started_) return false;
  unsigned char nonce[platform::kGcmNonceSize];
  StrongNonce(prefix_, index, last, nonce);
  return key_.Open(nonce, aad_, sealed, size, out);
}
