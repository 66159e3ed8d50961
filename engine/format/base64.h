// Standard base64 (the alphabet A-Z a-z 0-9 + /, padded with "="): the
// text form of the strong block's sealed bytes. Not cryptography, only a
// way to carry bytes inside script string literals.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The encoded length of `size` bytes: 4 characters per 3 bytes or part.
constexpr std::size_t Base64Length(std::size_t size) { return (size + 2) / 3 * 4; }

// Writes the encoding of `size` bytes to `out` (Base64Length(size)
// characters, padded) and returns the end of what was written.
char* Base64EncodeTo(const unsigned char* data, std::size_t size, char* out);

std::string Base64Encode(std::string_view bytes);

// Decodes base64 that arrives in pieces cut anywhere (a line of the block at
// a time). The text must be canonical: only alphabet characters, padding
// only in the last group, and unused bits zero.
class TBase64Decoder {
 public:
  // Appends the bytes of every group that `text` completes to `out`. False
  // at the first character that cannot belong to canonical base64 here; the
  // decoder then refuses everything that follows.
  bool Put(std::string_view text, std::string* out);

  // True when the text ended on a whole group, padded or not, and nothing
  // was refused.
  bool Finish() const { return !failed_ && pending_ == 0; }

 private:
  bool DecodeGroup(const unsigned char* group, std::string* out);

  unsigned char group_[4] = {};
  std::size_t pending_ = 0;
  bool padded_ = false;
  bool failed_ = false;
};

// Decodes a whole text. False, with `bytes` unspecified, when it is not
// canonical base64.
bool Base64Decode(std::string_view text, std::string* bytes);
