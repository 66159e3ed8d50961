#include "engine/site/text_run_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// A word's bytes go into its hash eight at a time, as one little-endian
// number: one multiply per eight bytes instead of one per byte.
static_assert(std::endian::native == std::endian::little, "a word's eight bytes are read as one number");
constexpr std::uint64_t kWordStart = 0xcbf29ce484222325ull;
constexpr std::uint64_t kChunkPrime = 0xc4ceb9fe1a85ec53ull;
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

// The same for eight bytes at once, each byte a lane of a number.
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kTops = 0x8080808080808080ull;

// The top bit of each lane of `ascii` (lanes below 0x80) that is at least
// `low`: the sum carries into the top bit and never out of the lane.
constexpr std::uint64_t AtLeast(std::uint64_t ascii, unsigned low) { return (ascii + (0x80 - low) * kOnes) & kTops; }

// How many of the eight bytes `x` starts with belong to a word; `lowered`
// gets the bytes with the letters in lower case, as kWordBytes has them.
inline unsigned LeadingWordBytes(std::uint64_t x, std::uint64_t* lowered) {
  const std::uint64_t high = x & kTops;
  const std::uint64_t ascii = x & ~kTops;
  const std::uint64_t folded = ascii | 0x20 * kOnes;
  const std::uint64_t letters = AtLeast(folded, 'a') & ~AtLeast(folded, 'z' + 1) & ~high;
  const std::uint64_t digits = AtLeast(ascii, '0') & ~AtLeast(ascii, '9' + 1) & ~high;
  *lowered = x | letters >> 2;
  const std::uint64_t others = ~(high | letters | digits) & kTops;
  return others == 0 ? 8 : static_cast<unsigned>(std::countr_zero(others)) / 8;
}

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
#if defined(__SSE2__)
    else if (static_cast<std::size_t>(end - p) >= kWindowRoom)
      Window(p, end);
#endif
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
  word_ = kWordStart;
  chunk_ = 0;
  filled_ = 0;
  in_word_ = false;
  skip_ = 0;
  escape_start_ = in_tag_ = after_lt_ = after_amp_ = false;
}

// The loops keep the run's state in locals, so that it stays in
// registers; this takes them by reference and is inlined into both.
__attribute__((always_inline)) inline void TTextRunReader::AddWord(std::uint64_t word, std::uint64_t& rolling,
                                                                  std::size_t& count, std::size_t& batched,
                                                                  std::uint64_t& drop) {
  // Words that differ only in their last bytes differ only in the hash's
  // top bits until mixed.
  word = Mixed(word);
  // A rolling polynomial hash of the last kTextRunWords word hashes: the
  // oldest word's term leaves, the new one comes in.
  std::uint64_t& slot = ring_[count++ % kTextRunWords];
  rolling = rolling * kRunBase + word - slot * kBaseToRunWords;
  slot = word;
  if (count < kTextRunWords) return;
  const std::uint64_t run = Mixed(rolling);
  if ((run & drop) != 0) return;
  batch_[batched++] = run;
  if (batched == kBatch) {
    batched_ = batched;
    Pass();
    batched = 0;
    drop = drop_;
  }
}

void TTextRunReader::Words(const unsigned char*& from, const unsigned char* end) {
  // The loop's state in locals, so that it stays in registers.
  const unsigned char* p = from;
  std::uint64_t word = word_;
  std::uint64_t chunk = chunk_;
  unsigned filled = filled_;
  bool in_word = in_word_;
  std::uint64_t rolling = rolling_;
  std::size_t count = count_;
  bool after_amp = after_amp_;
  std::size_t batched = batched_;
  std::uint64_t drop = drop_;
  while (p < end) {
    unsigned char c;
    if (end - p >= 8) {
      // A word's bytes eight at a time, up to the first byte of no word:
      // no branch per byte, so the end of a word of any length costs no
      // misprediction.
      std::uint64_t x, lowered;
      std::memcpy(&x, p, sizeof x);
      const unsigned words = LeadingWordBytes(x, &lowered);
      if (words > 0) {
        const unsigned take = std::min(words, 8 - filled);
        chunk |= (take == 8 ? lowered : lowered & ((std::uint64_t{1} << 8 * take) - 1)) << 8 * filled;
        filled += take;
        p += take;
        in_word = true;
        if (filled == 8) {
          word = (word ^ chunk) * kChunkPrime;
          chunk = 0;
          filled = 0;
        }
        // The word goes on past these eight bytes, or the chunk was full.
        if (take == 8 || take < words) continue;
      }
      c = *p++;
    } else {
      // The last bytes of the piece, one at a time.
      c = *p++;
      if (const unsigned char lower = kWordBytes.lower[c]) {
        chunk |= std::uint64_t{lower} << 8 * filled;
        if (++filled == 8) {
          word = (word ^ chunk) * kChunkPrime;
          chunk = 0;
          filled = 0;
        }
        in_word = true;
        continue;
      }
    }
    // Any other byte ends the word; an entity's name (&amp;) is no word.
    if (in_word && !(after_amp && c == ';')) {
      if (filled > 0) word = (word ^ chunk) * kChunkPrime;
      AddWord(word, rolling, count, batched, drop);
    }
    word = kWordStart;
    chunk = 0;
    filled = 0;
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
        // Most tags are short: their ">" found among the next eight bytes
        // without a call.
        if (end - p >= 8) {
          std::uint64_t x;
          std::memcpy(&x, p, sizeof x);
          const std::uint64_t y = x ^ ('>' * kOnes);
          // The lowest lane set is the first ">" (lanes above it may be set
          // wrongly by the borrow, and are not looked at).
          const std::uint64_t gts = (y - kOnes) & ~y & kTops;
          if (gts != 0) {
            p += static_cast<unsigned>(std::countr_zero(gts)) / 8 + 1;
            continue;
          }
        }
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
  chunk_ = chunk;
  filled_ = filled;
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

#if defined(__SSE2__)
void TTextRunReader::Window(const unsigned char*& from, const unsigned char* end) {
  const unsigned char* const p = from;
  // The word bytes and the stops ("<", "\\") as bit masks, and the bytes
  // in lower case, 16 at a time.
  alignas(16) unsigned char lowered[80];
  std::memset(lowered + 64, 0, 16);
  std::uint64_t words = 0, stops = 0, tag_ends = 0;
  for (int i = 0; i < 64; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i folded = _mm_or_si128(v, _mm_set1_epi8(0x20));
    const __m128i top = _mm_set1_epi8(static_cast<char>(0x80));
    // x - low below `count` as unsigned bytes: signed after flipping the top bit.
    const __m128i letters = _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(folded, _mm_set1_epi8('a')), top),
                                           _mm_set1_epi8(static_cast<char>(0x80 + 26)));
    const __m128i digits = _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(v, _mm_set1_epi8('0')), top),
                                          _mm_set1_epi8(static_cast<char>(0x80 + 10)));
    _mm_store_si128(reinterpret_cast<__m128i*>(lowered + i),
                    _mm_or_si128(v, _mm_and_si128(letters, _mm_set1_epi8(0x20))));
    // Bytes from 128 up have their top bit set: movemask takes it as is.
    const auto word_bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(letters, digits)) |
                                                      _mm_movemask_epi8(v));
    const auto stop_bits = static_cast<std::uint32_t>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\\')))));
    const auto tag_end_bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('>'))));
    words |= std::uint64_t{word_bits} << i;
    stops |= std::uint64_t{stop_bits} << i;
    tag_ends |= std::uint64_t{tag_end_bits} << i;
  }

  std::uint64_t word = word_;
  std::uint64_t chunk = chunk_;
  unsigned filled = filled_;
  bool in_word = in_word_;
  bool after_amp = after_amp_;
  std::uint64_t rolling = rolling_;
  std::size_t count = count_;
  std::size_t batched = batched_;
  std::uint64_t drop = drop_;

  // A word's lower-case bytes [at, at + size) into its hash, eight at a time.
  const auto add = [&](unsigned at, unsigned size) __attribute__((always_inline)) {
    if (filled == 0 && size < 8) {
      // Most words: shorter than eight bytes, and the first of their word.
      std::uint64_t x;
      std::memcpy(&x, lowered + at, sizeof x);
      chunk = x & ((std::uint64_t{1} << 8 * size) - 1);
      filled = size;
      return;
    }
    while (size > 0) {
      const unsigned take = std::min(size, 8 - filled);
      std::uint64_t x;
      std::memcpy(&x, lowered + at, sizeof x);
      chunk |= (take == 8 ? x : x & ((std::uint64_t{1} << 8 * take) - 1)) << 8 * filled;
      filled += take;
      at += take;
      size -= take;
      if (filled == 8) {
        word = (word ^ chunk) * kChunkPrime;
        chunk = 0;
        filled = 0;
      }
    }
  };
  // The word ends at byte `at`, a byte of no word: as in Words.
  const auto end_word = [&](unsigned at) __attribute__((always_inline)) {
    if (!(after_amp && p[at] == ';')) {
      if (filled > 0) word = (word ^ chunk) * kChunkPrime;
      AddWord(word, rolling, count, batched, drop);
    }
    word = kWordStart;
    chunk = 0;
    filled = 0;
    in_word = false;
  };

  // The window's bytes in segments, each up to the next stop (or the
  // window's end): a segment holds only words and bytes of no word.
  unsigned at = 0;       // where the segment starts
  std::size_t next = 64;  // where the call leaves off
  for (;;) {
    const unsigned stop = static_cast<unsigned>(std::countr_zero(stops));
    std::uint64_t segment = stop == 64 ? words : words & ((std::uint64_t{1} << stop) - 1);
    if (in_word) {
      // The word that goes on from before the window (only at its start:
      // a stop ends any word).
      const unsigned length = static_cast<unsigned>(std::countr_zero(~segment));
      add(0, length);
      if (length == 64) break;
      end_word(length);
      after_amp = p[length] == '&';
      segment &= ~std::uint64_t{0} << length;
    }
    std::uint64_t starts = segment & ~(segment << 1);
    while (starts != 0) {
      const unsigned start = static_cast<unsigned>(std::countr_zero(starts));
      starts &= starts - 1;
      // The byte before a word is the last of no word read, unless the word
      // starts the segment (after a stop, or where the window starts).
      if (start > at) after_amp = p[start - 1] == '&';
      const unsigned length = static_cast<unsigned>(std::countr_zero(~(segment >> start)));
      add(start, length);
      in_word = true;
      if (start + length == 64) break;
      end_word(start + length);
      after_amp = p[start + length] == '&';
    }
    if (in_word) break;  // the last word goes on past the window
    if (stop == 64) {
      // The last byte was of no word.
      after_amp = p[63] == '&';
      break;
    }
    // The stop, a byte of no word: "<" or "\\" is no "&".
    after_amp = false;
    std::size_t after = stop + 1;
    if (p[stop] == '\\') {
      // An escape: its next byte, and four hex digits after "u", are no
      // words (they may reach past the window: kWindowRoom leaves room).
      after = (p[stop + 1] == 'u' || p[stop + 1] == 'U') ? stop + 6 : stop + 2;
    } else if (IsTagStart(p[stop + 1])) {
      // A tag, skipped up to its ">", wherever that is.
      const std::uint64_t ends_after = stop == 63 ? 0 : tag_ends >> (stop + 1) << (stop + 1);
      const void* gt = ends_after != 0 ? p + std::countr_zero(ends_after)
                                       : std::memchr(p + stop + 1, '>', static_cast<std::size_t>(end - p) - stop - 1);
      if (gt == nullptr) {
        in_tag_ = true;
        next = static_cast<std::size_t>(end - p);
        break;
      }
      after = static_cast<std::size_t>(static_cast<const unsigned char*>(gt) - p) + 1;
    }
    if (after >= 64) {
      next = after;
      break;
    }
    at = static_cast<unsigned>(after);
    const std::uint64_t read = (std::uint64_t{1} << at) - 1;
    words &= ~read;
    stops &= ~read;
  }
  from = p + next;
  word_ = word;
  chunk_ = chunk;
  filled_ = filled;
  in_word_ = in_word;
  after_amp_ = after_amp;
  rolling_ = rolling;
  count_ = count;
  batched_ = batched;
}
#endif
