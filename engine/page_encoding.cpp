#include "engine/page_encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/escape_run.h"
#include "engine/escape_table.h"
#include "engine/settings.h"
#include "fileio/fast_io.h"
#include "platform/platform.h"

namespace {

// The password as the encoder runs over it: an 8-bit, 1-based cursor that
// returns to 1 past the effective length (length mod 256) or when it wraps
// past 255. So the keys (password byte XOR mask) repeat with a cycle of the
// effective length, or of 1 when that is 0.
KeyStream MakeKeyStream(const std::string& password) {
  KeyStream stream{};
  const std::size_t effective = password.size() % 256;
  stream.cycle = static_cast<unsigned>(effective == 0 ? 1 : effective);
  for (std::size_t k = 0; k < sizeof stream.keys; ++k) {
    const std::size_t i = k % stream.cycle;
    const unsigned char p = password.empty() ? 0 : static_cast<unsigned char>(password[i]);
    stream.keys[k] = static_cast<unsigned char>(p ^ PageMask);
  }
  stream.index = 0;
  return stream;
}

void AppendWrapLine(std::string& block, const char* text, KeyStream& keys) {
  char line[2 * 32 + kEscapeRunSlack];
  const std::size_t n = std::strlen(text);
  char* end = EscapeRunPlain(reinterpret_cast<const unsigned char*>(text), n, line, keys);
  block += '\'';
  block.append(line, end);
  block += "',";
  block += LineBreak;
}

}  // namespace

std::string EncodeByte(unsigned char m) { return std::string(kEscapes.text[m].data(), kEscapes.length[m]); }

std::string CheckValue(const std::string& password) {
  unsigned char x = 0;
  for (const char c : password) x ^= static_cast<unsigned char>(c);
  return {escape_detail::kHexDigits[x >> 4], escape_detail::kHexDigits[x & 0xF]};
}

std::string BuildPageBlock(TFastIO& source, const std::string& password, bool wrap) {
  const std::size_t chunk = ChunkSize > 0 ? static_cast<std::size_t>(ChunkSize) : 1;
  std::string block;
  // One up-front reservation for the worst case (every byte as two digits),
  // so that a large page never makes the block grow by copying.
  const std::uint32_t size = source.GetSize();
  const std::size_t remaining = size >= source.Position ? size - source.Position : 0;
  block.reserve(2 * remaining + (remaining / chunk + 4) * (3 + LineBreak.size()) + 128 + kEscapeRunSlack);
  platform::AdviseSequentialFill(block.data(), block.capacity());

  block += '\'';
  block += CheckValue(password);
  block += "',";
  block += LineBreak;

  KeyStream keys = MakeKeyStream(password);
  if (wrap) AppendWrapLine(block, kTextWrapOpen, keys);

  // Data lines are encoded straight into the block, which is grown a step
  // ahead of the writing (inside the reservation) and trimmed afterwards: no
  // line is copied a second time, and no memory is touched before it is used.
  const std::size_t line_max = 2 * chunk + 3 + LineBreak.size() + kEscapeRunSlack;
  const std::size_t step = std::max<std::size_t>(line_max, 1 << 16);
  std::size_t used = block.size();
  for (;;) {
    if (block.size() - used < line_max) block.resize(used + step);
    char* const begin = block.data() + used + 1;
    char* out = begin;
    std::size_t wanted = chunk;
    // Reads as ReadChar would, a window's worth at a time: a 0 (a zero byte,
    // or the end of the data) ends the line and is consumed.
    while (wanted > 0) {
      if (source.PeekChar() == 0) {
        ++source.Position;
        break;
      }
      const unsigned char* window = source.Window + (source.Position - source.WindowStart);
      const std::size_t available = source.WindowLength - (source.Position - source.WindowStart);
      const std::size_t n = std::min(available, wanted);
      const auto* zero = static_cast<const unsigned char*>(std::memchr(window, 0, n));
      const std::size_t run = zero ? static_cast<std::size_t>(zero - window) : n;
      out = EscapeRun(window, run, out, keys);
      if (zero) {
        source.Position += static_cast<std::uint32_t>(run + 1);
        break;
      }
      source.Position += static_cast<std::uint32_t>(n);
      wanted -= n;
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
