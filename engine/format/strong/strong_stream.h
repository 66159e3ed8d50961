// The strong format's stream layer, on bytes: chunk i of a page sealed or
// opened with AES-256-GCM under the page's key, with the nonce of chunk i
// (the prefix, i, and whether it is the last) and the block's header as
// additional data. A chunk that moves, goes missing or is cut off fails
// its tag. It knows nothing of base64 or lines: engine/format/strong/sealed_lines.h
// frames the sealed bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/crypto.h"

class TStrongStream {
 public:
  // Takes the 32-byte key, the 7-byte nonce prefix and the additional data.
  // False when the key or prefix has another size or the system refuses;
  // the stream then seals and opens nothing.
  bool Start(const std::string& key, const std::string& nonce_prefix, std::string aad);

  // Seals chunk `index` (`size` bytes of `plain`, at most kStrongChunkSize)
  // into `out`: size bytes of ciphertext, then the 16-byte tag. False when
  // the system fails. The caller never seals one index twice.
  bool Seal(std::uint32_t index, bool last, const unsigned char* plain, std::size_t size,
            unsigned char* out) const;

  // Checks and opens chunk `index` (`size` sealed bytes, at least the tag)
  // into `out`, size - 16 bytes. False when the tag does not match; `out`
  // then holds zeros, never unchecked plaintext.
  bool Open(std::uint32_t index, bool last, const unsigned char* sealed, std::size_t size,
            unsigned char* out) const;

 private:
  platform::AesGcmKey key_;
  std::string prefix_, aad_;
  bool started_ = false;
};
