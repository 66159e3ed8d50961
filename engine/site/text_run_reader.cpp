#include "engine/site/text_run_reader.h"

#include <cstring>

namespace {

constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;
constexpr std::uint64_t kRunBase = 0x9E3779B97F4A7C15ull;

constexpr std::uint64_t Power(std::uint64_t base, std::size_t exponent) {
  std::uint64_t result = 1;
  for (std::size_t i = 0; i < exponent; ++i) result *= base;
  return result;
}
// The weight of the oldest word of a run once it is kTextRunWords old.
constexpr std::uint64_t kBaseToRunWords = Power(kRunBase, kTextRunWords);

// Each byte's lower-case form when it belongs to a word, else 0.
struct TWordBytes {
  unsigned char lower[256] = {};
  constexpr TWordBytes() {
    for (int c = 0; c < 256; ++c) {
      if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0x80)
        lower[c] = static_cast<unsigned char>(c);
      if (c >= 'A' && c <= 'Z') lower[c] = static_cast<unsigned char>(c - 'A' + 'a');
    }
  }
};
constexpr TWordBytes kWordBytes;

bool IsTagStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

}  // namespace

void TTextRunReader::Feed(const char* data, std::size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  const unsigned char* const end = p + size;
  while (p < end) {
    // The common case first: the bytes of a word.
    if (!special_) {
      std::uint64_t word = word_;
      std::size_t length = length_;
      while (p < end && kWordBytes.lower[*p] != 0) {
        if (length++ == 0) word = kFnvOffset;
        word = (word ^ kWordBytes.lower[*p++]) * kFnvPrime;
      }
      word_ = word;
      length_ = length;
      if (p == end) break;
    }
    if (in_tag_) {
      const void* gt = std::memchr(p, '>', static_cast<std::size_t>(end - p));
      if (gt == nullptr) break;
      p = static_cast<const unsigned char*>(gt) + 1;
      in_tag_ = false;
      Recount();
      continue;
    }
    Byte(*p++);
  }
}

void TTextRunReader::End() {
  EndWord(' ');
  std::function<void(std::uint64_t)> run = std::move(run_);
  *this = TTextRunReader(std::move(run));
}

void TTextRunReader::Byte(unsigned char c) {
  if (skip_ > 0) {
    // The rest of a backslash escape: "\u" takes four hex digits.
    --skip_;
    if (escape_start_ && (c == 'u' || c == 'U')) skip_ = 4;
    escape_start_ = false;
    Recount();
    return;
  }
  if (after_lt_) {
    after_lt_ = false;
    Recount();
    if (IsTagStart(c)) {
      in_tag_ = true;
      special_ = true;
      return;
    }
  }
  if (const unsigned char lower = kWordBytes.lower[c]) {
    if (length_++ == 0) word_ = kFnvOffset;
    word_ = (word_ ^ lower) * kFnvPrime;
    return;
  }
  EndWord(c);
  after_amp_ = c == '&';
  if (c == '<') {
    after_lt_ = true;
  } else if (c == '\\') {
    skip_ = 1;
    escape_start_ = true;
  }
  Recount();
}

void TTextRunReader::EndWord(unsigned char next) {
  if (length_ == 0) return;
  const bool entity = after_amp_ && next == ';';
  length_ = 0;
  after_amp_ = false;
  if (entity) return;
  // A rolling polynomial hash of the last kTextRunWords word hashes: the
  // oldest word's term leaves, the new one comes in.
  std::uint64_t& slot = ring_[count_++ % kTextRunWords];
  rolling_ = rolling_ * kRunBase + word_ - slot * kBaseToRunWords;
  slot = word_;
  if (count_ < kTextRunWords) return;
  // Spread the bits (a final mix), so that the sample's low bits are fair.
  std::uint64_t run = rolling_;
  run ^= run >> 33;
  run *= 0xff51afd7ed558ccdull;
  run ^= run >> 33;
  run_(run);
}
