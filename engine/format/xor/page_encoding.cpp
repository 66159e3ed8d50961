#include "engine/format/xor/page_encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/format/xor/escape_run.h"
#include "engine/format/xor/escape_table.h"
#include "engine/format/literal_lines.h"
#include "engine/format/xor/xor_format.h"
#include "fileio/block_sink.h"
#include "fileio/byte_source.h"
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

bool WriteWrapLine(TLiteralLines& lines, const char* text, KeyStream& keys) {
  const std::size_t n = std::strlen(text);
  char* out = lines.BeginLine(2 * n);
  if (!out) return false;
  lines.EndLine(EscapeRunPlain(reinterpret_cast<const unsigned char*>(text), n, out, keys));
  return true;
}

}  // namespace

std::string EncodeByte(unsigned char m) { return std::string(kEscapes.text[m].data(), kEscapes.length[m]); }

std::string CheckValue(const std::string& password) {
  unsigned char x = 0;
  for (const char c : password) x ^= static_cast<unsigned char>(c);
  return {escape_detail::kHexDigits[x >> 4], escape_detail::kHexDigits[x & 0xF]};
}

bool WritePageBlock(TByteSource& source, const std::string& password, bool wrap, TBlockSink& sink,
                    const std::string& line_break) {
  const std::size_t chunk = kXorChunkSize;
  TLiteralLines lines(sink, line_break);

  // The check line.
  char* out = lines.BeginLine(2);
  const std::string check = CheckValue(password);
  lines.EndLine(std::copy(check.begin(), check.end(), out));

  KeyStream keys = MakeKeyStream(password);
  if (wrap && !WriteWrapLine(lines, kTextWrapOpen, keys)) return false;

  // Data lines are encoded straight into the writer's buffer. The window is
  // read as ReadChar would, a run at a time: a 0 (a zero byte, or the end of
  // the data) ends the line and is consumed.
  for (;;) {
    char* const begin = lines.BeginLine(2 * chunk);
    if (!begin) return false;
    out = begin;
    std::size_t wanted = chunk;
    while (wanted > 0) {
      const TByteSource::TRun run = source.Peek();
      if (run.length == 0) break;
      if (run.data[0] == 0) {
        source.Consume(1);
        break;
      }
      const std::size_t n = std::min<std::size_t>(run.length, wanted);
      const auto* zero = static_cast<const unsigned char*>(std::memchr(run.data, 0, n));
      const std::size_t length = zero ? static_cast<std::size_t>(zero - run.data) : n;
      out = EscapeRun(run.data, length, out, keys);
      if (zero) {
        source.Consume(length + 1);
        break;
      }
      source.Consume(n);
      wanted -= n;
    }
    if (out == begin) {
      lines.DropLine();
      break;
    }
    lines.EndLine(out);
  }

  if (wrap && !WriteWrapLine(lines, kTextWrapClose, keys)) return false;
  return lines.Finish();
}

std::string BuildPageBlock(TByteSource& source, const std::string& password, bool wrap,
                           const std::string& line_break) {
  TStringSink sink;
  WritePageBlock(source, password, wrap, sink, line_break);
  return sink.Text;
}
