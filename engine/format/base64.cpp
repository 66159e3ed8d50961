#include "engine/format/base64.h"
#include "engine/share_key.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char kPad = 64;
constexpr unsigned char kInvalid = 255;

constexpr std::array<unsigned char, 256> MakeValues() {
  std::array<unsigned char, 256> values{};
  for (auto& v : values) v = kInvalid;
  for (unsigned char i = 0; i < 64; ++i) values[static_cast<unsigned char>(kAlphabet[i])] = i;
  values['='] = kPad;
  return values;
}
constexpr std::array<unsigned char, 256> kValues = MakeValues();

// Every 12-bit value as its two characters, so that three bytes take two
// lookups instead of four.
struct PairTable {
  char pairs[4096][2];
  constexpr PairTable() : pairs() {
    for (unsigned v = 0; v < 4096; ++v) {
      pairs[v][0] = kAlphabet[v >> 6];
      pairs[v][1] = kAlphabet[v & 63];
    }
  }
};
constexpr PairTable kPairs;

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZENDREL_BASE64_SSSE3 1
// Twelve bytes into sixteen characters at a time with SSSE3's byte
// shuffle (the method Wojciech Mula describes for base64 with SIMD):
// each group's three bytes spread over four lanes, each lane's six bits
// shifted into place by two multiplies, then a lane's character is its
// value plus an offset picked by its range.
__attribute__((target("ssse3"))) inline void EncodeTwelve(__m128i bytes, char* out) {
  const __m128i spread = _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1);
  const __m128i offsets = _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                                        '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  const __m128i in = _mm_shuffle_epi8(bytes, spread);
  const __m128i high = _mm_mulhi_epu16(_mm_and_si128(in, _mm_set1_epi32(0x0fc0fc00)), _mm_set1_epi32(0x04000040));
  const __m128i low = _mm_mullo_epi16(_mm_and_si128(in, _mm_set1_epi32(0x003f03f0)), _mm_set1_epi32(0x01000010));
  const __m128i values = _mm_or_si128(high, low);
  // 0-25 pick 13 ("A"), 26-51 pick 0, 52-61 pick 1-10, 62 and 63 pick 11 and 12.
  __m128i pick = _mm_subs_epu8(values, _mm_set1_epi8(51));
  pick = _mm_or_si128(pick, _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(26), values), _mm_set1_epi8(13)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_add_epi8(_mm_shuffle_epi8(offsets, pick), values));
}

// Every whole twelve bytes of `data`; returns how many bytes it took. A
// load takes sixteen bytes, so the last twelve are copied out first.
__attribute__((target("ssse3"))) std::size_t EncodeSsse3(const unsigned char* data, std::size_t size, char* out) {
  std::size_t i = 0;
  for (; i + 16 <= size; i += 12, out += 16)
    EncodeTwelve(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)), out);
  if (i + 12 <= size) {
    alignas(16) unsigned char last[16] = {};
    std::memcpy(last, data + i, 12);
    EncodeTwelve(_mm_load_si128(reinterpret_cast<const __m128i*>(last)), out);
    i += 12;
  }
  return i;
}

bool HasSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}
#endif

}  // namespace

char* Base64EncodeTo(const unsigned char* data, std::size_t size, char* out) {
  std::size_t i = 0;
#if defined(ZENDREL_BASE64_SSSE3)
  if (size >= 12 && HasSsse3()) {
    i = EncodeSsse3(data, size, out);
    out += i / 3 * 4;
  }
#endif
  for (; i + 3 <= size; i += 3) {
    const unsigned v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    std::memcpy(out, kPairs.pairs[v >> 12], 2);
    std::memcpy(out + 2, kPairs.pairs[v & 4095], 2);
    out += 4;
  }
  if (i < size) {
    const bool two = i + 1 < size;
    const unsigned v = (data[i] << 16) | (two ? data[i + 1] << 8 : 0);
    out[0] = kAlphabet[v >> 18];
    out[1] = kAlphabet[(v >> 12) & 63];
    out[2] = two ? kAlphabet[(v >> 6) & 63] : '=';
    out[3] = '=';
    out += 4;
  }
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  std::string text(Base64Length(bytes.size()), '\0');
  Base64EncodeTo(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), text.data());
  return text;
}

bool TBase64Decoder::DecodeGroup(const unsigned char* group, std::string* out) {
  const unsigned char a = kValues[group[0]], b = kValues[group[1]], c = kValues[group[2]],
                      d = kValues[group[3]];
  if (a >= kPad || b >= kPad || c == kInvalid || d == kInvalid) return false;
  if (c == kPad) {
    // One byte: "xy==", the last four bits of y unused.
    if (d != kPad || (b & 15) != 0) return false;
    out->push_back(static_cast<char>((a << 2) | (b >> 4)));
    padded_ = true;
  } else if (d == kPad) {
    // Two bytes: "xyz=", the last two bits of z unused.
    if ((c & 3) != 0) return false;
    const char two[2] = {static_cast<char>((a << 2) | (b >> 4)),
                         static_cast<char>(((b & 15) << 4) | (c >> 2))};
    out->append(two, 2);
    padded_ = true;
  } else {
    const char three[3] = {static_cast<char>((a << 2) | (b >> 4)),
                           static_cast<char>(((b & 15) << 4) | (c >> 2)),
                           static_cast<char>(((c & 3) << 6) | d)};
    out->append(three, 3);
  }
  return true;
}

bool TBase64Decoder::Put(std::string_view text, std::string* out) {
  if (failed_) return false;
  out->reserve(out->size() + text.size() / 4 * 3 + 3);
  for (const char ch : text) {
    // Nothing may follow a padded group.
    if (padded_) return !(failed_ = true);
    group_[pending_++] = static_cast<unsigned char>(ch);
    if (pending_ < 4) continue;
    pending_ = 0;
    if (!DecodeGroup(group_, out)) return !(failed_ = true);
  }
  return true;
}

bool Base64Decode(std::string_view text, std::string* bytes) {
  bytes->clear();
  TBase64Decoder decoder;
  return decoder.Put(text, bytes) && decoder.Finish();
}

std::string ShareKeyText(const std::string& key) {
  std::string text = Base64Encode(key);
  while (!text.empty() && text.back() == '=') text.pop_back();
  for (char& c : text) {
    if (c == '+') c = '-';
    if (c == '/') c = '_';
  }
  return text;
}
