#include "engine/site/text_run_reader.h"

#include <algorithm>
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

// The bytes after which the word loop cannot go on as for a space: "<"
// (maybe a tag) and "\\" (an escape).
struct TStops {
  bool stop[256] = {};
  constexpr TStops() { stop['<'] = stop['\\'] = true; }
  bool operator[](unsigned char c) const { return stop[c]; }
};
constexpr TStops kStops;

// Spreads the bits of a run's rolling hash (a final mix), so that the
// sample's low bits are fair.
std::uint64_t Mixed(std::uint64_t run) {
  run ^= run >> 33;
  run *= 0xff51afd7ed558ccdull;
  run ^= run >> 33;
  return run;
}

}  // namespace

void TTextRunReader::Feed(const char* data, std::size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  const unsigned char* const end = p + size;
  while (p < end) {
    if (skip_ > 0 || in_tag_ || after_lt_)
      Special(p, end);
    else
      Words(p, end);
  }
}

void TTextRunReader::End() {
  // A word at the very end ends as if a space followed.
  if (in_word_) {
    const unsigned char space = ' ';
    const unsigned char* p = &space;
    Words(p, p + 1);
  }
  Pass();
  std::fill(std::begin(ring_), std::end(ring_), 0);
  rolling_ = 0;
  count_ = 0;
  word_ = kFnvOffset;
  in_word_ = false;
  skip_ = 0;
  escape_start_ = in_tag_ = after_lt_ = after_amp_ = false;
}

void TTextRunReader::Words(const unsigned char*& from, const unsigned char* end) {
  // The loop's state in locals, so that it stays in registers.
  const unsigned char* p = from;
  std::uint64_t word = word_;
  bool in_word = in_word_;
  std::uint64_t rolling = rolling_;
  std::size_t count = count_;
  bool after_amp = after_amp_;
  std::size_t batched = batched_;
  std::uint64_t drop = drop_;
  while (p < end) {
    const unsigned char c = *p++;
    if (const unsigned char lower = kWordBytes.lower[c]) {
      word = (word ^ lower) * kFnvPrime;
      in_word = true;
      continue;
    }
    // Any other byte ends the word; an entity's name (&amp;) is no word.
    if (in_word && !(after_amp && c == ';')) {
      // A rolling polynomial hash of the last kTextRunWords word hashes:
      // the oldest word's term leaves, the new one comes in.
      std::uint64_t& slot = ring_[count++ % kTextRunWords];
      rolling = rolling * kRunBase + word - slot * kBaseToRunWords;
      slot = word;
      if (count >= kTextRunWords) {
        const std::uint64_t run = Mixed(rolling);
        if ((run & drop) == 0) {
          batch_[batched++] = run;
          if (batched == kBatch) {
            batched_ = batched;
            Pass();
            batched = 0;
            drop = drop_;
          }
        }
      }
    }
    word = kFnvOffset;
    in_word = false;
    after_amp = c == '&';
    if (kStops[c]) {
      if (c == '\\') {
        skip_ = 1;
        escape_start_ = true;
        break;
      }
      // "<": a tag when a name, "/", "!" or "?" follows, and then skipped
      // up to its ">"; else the byte is read as any other.
      if (p == end) {
        after_lt_ = true;
        break;
      }
      if (IsTagStart(*p)) {
        const void* gt = std::memchr(p, '>', static_cast<std::size_t>(end - p));
        if (gt == nullptr) {
          in_tag_ = true;
          p = end;
          break;
        }
        p = static_cast<const unsigned char*>(gt) + 1;
      }
    }
  }
  from = p;
  word_ = word;
  in_word_ = in_word;
  rolling_ = rolling;
  count_ = count;
  after_amp_ = after_amp;
  batched_ = batched;
}

void TTextRunReader::Special(const unsigned char*& p, const unsigned char* end) {
  if (in_tag_) {
    const void* gt = std::memchr(p, '>', static_cast<std::size_t>(end - p));
    if (gt == nullptr) {
      p = end;
      return;
    }
    p = static_cast<const unsigned char*>(gt) + 1;
    in_tag_ = false;
    return;
  }
  if (skip_ > 0) {
    // The rest of a backslash escape: "\u" takes four hex digits.
    const unsigned char c = *p++;
    --skip_;
    if (escape_start_ && (c == 'u' || c == 'U')) skip_ = 4;
    escape_start_ = false;
    return;
  }
  // After "<": a tag when a name, "/", "!" or "?" follows; else the byte is
  // read as any other.
  after_lt_ = false;
  if (IsTagStart(*p)) {
    ++p;
    in_tag_ = true;
  }
}

void TTextRunReader::Pass() {
  if (batched_ == 0) return;
  const std::size_t count = batched_;
  batched_ = 0;
  runs_(batch_, count);
}
