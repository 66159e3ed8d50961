#include "engine/sealed_lines.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/base64.h"
#include "engine/strong_format.h"

namespace {
constexpr std::size_t kLineBytes = kStrongLineLength / 4 * 3;
}

TSealedLines::TSealedLines(TBlockSink& sink, std::size_t room, std::string line_break)
    : sink_(sink), buffer_(kLineBytes + room), line_break_(std::move(line_break)) {}

bool TSealedLines::PutLiteral(const std::string& literal) {
  return sink_.Put('\'' + literal + "'," + line_break_);
}

bool TSealedLines::Commit(std::size_t size) {
  const std::size_t total = held_ + size;
  const std::size_t lines = total > kLineBytes ? (total - 1) / kLineBytes : 0;
  out_.resize(lines * (kStrongLineLength + 3 + line_break_.size()));
  char* out = out_.data();
  for (std::size_t i = 0; i < lines; ++i) {
    *out++ = '\'';
    out = Base64EncodeTo(buffer_.data() + i * kLineBytes, kLineBytes, out);
    *out++ = '\'';
    *out++ = ',';
    out = std::copy(line_break_.begin(), line_break_.end(), out);
  }
  held_ = total - lines * kLineBytes;
  std::memmove(buffer_.data(), buffer_.data() + lines * kLineBytes, held_);
  return lines == 0 || sink_.Put(out_.data(), out_.size());
}

bool TSealedLines::Finish() {
  std::string last = "'";
  last.resize(1 + Base64Length(held_));
  Base64EncodeTo(buffer_.data(), held_, last.data() + 1);
  last += "');";
  last += line_break_;
  return sink_.Put(last);
}
