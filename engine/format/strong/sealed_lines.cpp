#include "engine/format/strong/sealed_lines.h"

#include <cstring>
#include <utility>

#include "engine/format/base64.h"
#include "engine/format/strong/strong_format.h"

namespace {
constexpr std::size_t kLineBytes = kStrongLineLength / 4 * 3;
}

TSealedLines::TSealedLines(TBlockSink& sink, std::size_t room, std::string line_break)
    : lines_(sink, std::move(line_break)), buffer_(new unsigned char[kLineBytes + room]) {}

bool TSealedLines::PutLiteral(const std::string& literal) { return lines_.PutLine(literal); }

bool TSealedLines::Commit(std::size_t size) {
  const std::size_t total = held_ + size;
  const std::size_t lines = total > kLineBytes ? (total - 1) / kLineBytes : 0;
  for (std::size_t i = 0; i < lines; ++i) {
    char* out = lines_.BeginLine(kStrongLineLength);
    if (!out) return false;
    lines_.EndLine(Base64EncodeTo(buffer_.get() + i * kLineBytes, kLineBytes, out));
  }
  held_ = total - lines * kLineBytes;
  std::memmove(buffer_.get(), buffer_.get() + lines * kLineBytes, held_);
  return true;
}

bool TSealedLines::Finish() {
  char* out = lines_.BeginLine(Base64Length(held_));
  if (!out) return false;
  lines_.EndLine(Base64EncodeTo(buffer_.get(), held_, out));
  return lines_.Finish();
}
