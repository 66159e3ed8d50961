#include "engine/format/xor/escape_run.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "engine/format/xor/escape_table.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZENDREL_HAVE_SSSE3_PATH 1
#endif

char* EscapeRunPlain(const unsigned char* in, std::size_t n, char* out, KeyStream& stream) {
  const unsigned cycle = stream.cycle;
  unsigned index = stream.index;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char m = in[i] ^ stream.keys[index];
    index = index + 1 == cycle ? 0 : index + 1;
    std::memcpy(out, kEscapes.text[m].data(), 2);
    out += kEscapes.length[m];
  }
  stream.index = index;
  return out;
}

#ifdef ZENDREL_HAVE_SSSE3_PATH
namespace {

// For each 8-bit mask of "written as itself" bytes among 8 escaped pairs:
// the shuffle that drops the unused second byte of those pairs.
struct CompactTable {
  alignas(16) std::array<std::array<std::uint8_t, 16>, 256> shuffle{};
  std::array<std::uint8_t, 256> length{};

  constexpr CompactTable() {
    for (unsigned mask = 0; mask < 256; ++mask) {
      unsigned k = 0;
      for (unsigned j = 0; j < 8; ++j) {
        shuffle[mask][k++] = static_cast<std::uint8_t>(2 * j);
        if (!(mask >> j & 1)) shuffle[mask][k++] = static_cast<std::uint8_t>(2 * j + 1);
      }
      length[mask] = static_cast<std::uint8_t>(k);
      for (; k < 16; ++k) shuffle[mask][k] = 0x80;
    }
  }
};

constexpr CompactTable kCompact;

// Bit h of entry l is set when the byte (h << 4 | l) is written as itself.
struct LiteralNibbles {
  alignas(16) std::array<std::uint8_t, 16> by_low{};
  constexpr LiteralNibbles() {
    for (unsigned m = 0; m < 128; ++m) {
      if (kEscapes.length[m] == 1) by_low[m & 15] |= static_cast<std::uint8_t>(1u << (m >> 4));
    }
  }
};

constexpr LiteralNibbles kLiteral;

__attribute__((target("ssse3"))) char* EscapeRunSsse3(const unsigned char* in, std::size_t n, char* out,
                                                      KeyStream& stream) {
  const __m128i hex = _mm_loadu_si128(reinterpret_cast<const __m128i*>("0123456789ABCDEF"));
  const __m128i by_low = _mm_load_si128(reinterpret_cast<const __m128i*>(kLiteral.by_low.data()));
  // Bit h for a high nibble h below 8; nothing for the upper half.
  const __m128i high_bit = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m128i low_nibble = _mm_set1_epi8(0x0F);
  const unsigned cycle = stream.cycle;
  const unsigned step = 16 % cycle;
  unsigned index = stream.index;
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i key = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stream.keys + index));
    index += step;
    if (index >= cycle) index -= cycle;
    const __m128i m = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)), key);
    const __m128i lo = _mm_and_si128(m, low_nibble);
    const __m128i hi = _mm_and_si128(_mm_srli_epi16(m, 4), low_nibble);
    const __m128i literal_bits = _mm_and_si128(_mm_shuffle_epi8(by_low, lo), _mm_shuffle_epi8(high_bit, hi));
    const __m128i literal =
        _mm_cmpeq_epi8(_mm_cmpeq_epi8(literal_bits, _mm_setzero_si128()), _mm_setzero_si128());
    const __m128i first =
        _mm_or_si128(_mm_and_si128(literal, m), _mm_andnot_si128(literal, _mm_shuffle_epi8(hex, hi)));
    const __m128i second = _mm_shuffle_epi8(hex, lo);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(literal));
    const __m128i pairs[2] = {_mm_unpacklo_epi8(first, second), _mm_unpackhi_epi8(first, second)};
    for (int half = 0; half < 2; ++half) {
      const unsigned bits = (mask >> (8 * half)) & 0xFF;
      const __m128i shuffle = _mm_load_si128(reinterpret_cast<const __m128i*>(kCompact.shuffle[bits].data()));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pairs[half], shuffle));
      out += kCompact.length[bits];
    }
  }
  stream.index = index;
  return EscapeRunPlain(in + i, n - i, out, stream);
}

bool HasSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}

}  // namespace
#endif

char* EscapeRun(const unsigned char* in, std::size_t n, char* out, KeyStream& stream) {
#ifdef ZENDREL_HAVE_SSSE3_PATH
  if (HasSsse3()) return EscapeRunSsse3(in, n, out, stream);
#endif
  return EscapeRunPlain(in, n, out, stream);
}
