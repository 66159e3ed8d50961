#include "engine/page_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "engine/settings.h"
#include "fileio/fast_io.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr bool WrittenAsItself(unsigned m) {
  return (m >= 0x20 && m <= 0x26) || (m >= 0x28 && m <= 0x2F) || (m >= 0x3A && m <= 0x3B) ||
         (m >= 0x3F && m <= 0x40) || (m >= 0x47 && m <= 0x5B) || (m >= 0x5D && m <= 0x60) ||
         (m >= 0x67 && m <= 0x7E);
}

// Every masked byte's escaped form, worked out once.
struct EscapeTable {
  std::array<std::array<char, 2>, 256> text{};
  std::array<std::uint8_t, 256> length{};

  constexpr EscapeTable() {
    for (unsigned m = 0; m < 256; ++m) {
      if (WrittenAsItself(m)) {
        text[m] = {static_cast<char>(m), 0};
        length[m] = 1;
      } else {
        text[m] = {kHexDigits[m >> 4], kHexDigits[m & 0xF]};
        length[m] = 2;
      }
    }
  }
};

constexpr EscapeTable kEscapes;

// The password as the encoder runs over it: an 8-bit, 1-based cursor that
// returns to 1 past the effective length (length mod 256) or when it wraps
// past 255. Its keys (password byte XOR mask) are worked out once, as one
// cycle.
class PasswordCursor {
 public:
  explicit PasswordCursor(const std::string& password) {
    const std::size_t effective = password.size() % 256;
    const std::size_t cycle = effective == 0 ? 1 : effective;
    for (std::size_t i = 0; i < cycle; ++i) {
      const unsigned char p = password.empty() ? 0 : static_cast<unsigned char>(password[i]);
      keys_[i] = static_cast<unsigned char>(p ^ PageMask);
    }
    cycle_ = static_cast<unsigned>(cycle);
  }

  unsigned char NextKey() {
    const unsigned char key = keys_[index_];
    if (++index_ == cycle_) index_ = 0;
    return key;
  }

  // Encodes a run of bytes that holds no 0 byte; returns the new end of
  // `out`. The hot loop of the encoder, kept on local copies.
  char* EncodeRun(const unsigned char* in, std::size_t n, char* out) {
    const unsigned char* const keys = keys_.data();
    const unsigned cycle = cycle_;
    unsigned index = index_;
    for (std::size_t i = 0; i < n; ++i) {
      const unsigned char m = in[i] ^ keys[index];
      index = index + 1 == cycle ? 0 : index + 1;
      std::memcpy(out, kEscapes.text[m].data(), 2);
      out += kEscapes.length[m];
    }
    index_ = index;
    return out;
  }

 private:
  std::array<unsigned char, 256> keys_{};
  unsigned cycle_ = 1;
  unsigned index_ = 0;
};

// Appends the escaped form of `m` at `out` and returns the new end. Always
// stores two characters; the caller's buffer has room for them.
inline char* PutEscaped(char* out, unsigned char m) {
  out[0] = kEscapes.text[m][0];
  out[1] = kEscapes.text[m][1];
  return out + kEscapes.length[m];
}

void AppendLine(std::string& block, const char* begin, const char* end) {
  block += '\'';
  block.append(begin, end);
  block += "',";
  block += LineBreak;
}

void AppendWrapLine(std::string& block, const char* text, PasswordCursor& keys) {
  char line[64];
  char* out = line;
  for (const char* c = text; *c; ++c) out = PutEscaped(out, static_cast<unsigned char>(*c) ^ keys.NextKey());
  AppendLine(block, line, out);
}

}  // namespace

std::string EncodeByte(unsigned char m) { return std::string(kEscapes.text[m].data(), kEscapes.length[m]); }

std::string CheckValue(const std::string& password) {
  unsigned char x = 0;
  for (const char c : password) x ^= static_cast<unsigned char>(c);
  return {kHexDigits[x >> 4], kHexDigits[x & 0xF]};
}

std::string BuildPageBlock(TFastIO& source, const std::string& password, bool wrap) {
  const std::size_t chunk = ChunkSize > 0 ? static_cast<std::size_t>(ChunkSize) : 1;
  std::string block;
  // One up-front reservation for the worst case (every byte as two digits),
  // so that a large page never makes the block grow by copying.
  const std::size_t remaining = source.GetSize() >= source.Position ? source.GetSize() - source.Position : 0;
  block.reserve(2 * remaining + (remaining / chunk + 4) * (3 + LineBreak.size()) + 128);

  block += '\'';
  block += CheckValue(password);
  block += "',";
  block += LineBreak;

  PasswordCursor keys(password);
  if (wrap) AppendWrapLine(block, kTextWrapOpen, keys);

  // Data lines are encoded straight into the block, which is grown a step
  // ahead of the writing (inside the reservation) and trimmed afterwards: no
  // line is copied a second time, and no memory is touched before it is used.
  const std::size_t line_max = 2 * chunk + 3 + LineBreak.size();
  const std::size_t step = std::max<std::size_t>(line_max, 1 << 16);
  std::size_t used = block.size();
  for (;;) {
    if (block.size() - used < line_max) block.resize(used + step);
    char* const begin = block.data() + used + 1;
    char* out = begin;
    std::size_t remaining = chunk;
    // Reads as ReadChar would, a window's worth at a time: a 0 (a zero byte,
    // or the end of the data) ends the line and is consumed.
    while (remaining > 0) {
      if (source.PeekChar() == 0) {
        ++source.Position;
        break;
      }
      const unsigned char* window = source.Window + (source.Position - source.WindowStart);
      const std::size_t available = source.WindowLength - (source.Position - source.WindowStart);
      const std::size_t n = available < remaining ? available : remaining;
      const auto* zero = static_cast<const unsigned char*>(std::memchr(window, 0, n));
      const std::size_t run = zero ? static_cast<std::size_t>(zero - window) : n;
      out = keys.EncodeRun(window, run, out);
      if (zero) {
        source.Position += static_cast<std::uint32_t>(run + 1);
        break;
      }
      source.Position += static_cast<std::uint32_t>(n);
      remaining -= n;
    }
    if (out == begin) break;
    begin[-1] = '\'';
    *out++ = '\'';
    *out++ = ',';
    out = std::copy(LineBreak.begin(), LineBreak.end(), out);
    used = static_cast<std::size_t>(out - block.data());
  }
  block.resize(used);

  if (wrap) AppendWrapLine(block, kTextWrapClose, keys);

  block.resize(block.size() - (LineBreak.size() + 1));
  block += ");";
  block += LineBreak;
  return block;
}
