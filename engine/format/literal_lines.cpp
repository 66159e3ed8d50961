#include "engine/format/literal_lines.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/format/xor/escape_run.h"

TLiteralLines::TLiteralLines(TBlockSink& sink, std::string line_break)
    : sink_(sink), line_break_(std::move(line_break)), buffer_(new char[kCapacity]) {}

char* TLiteralLines::BeginLine(std::size_t max) {
  const std::size_t need = 3 + line_break_.size() + 1 + max + kEscapeRunSlack;
  if (need > kCapacity) return nullptr;
  if (kCapacity - used_ < need && !Drain()) return nullptr;
  const std::size_t before = used_;
  if (open_) {
    Append("',");
    Append(line_break_);
  }
  Append("'");
  open_ = true;
  prefix_ = used_ - before;
  return buffer_.get() + used_;
}

bool TLiteralLines::PutLine(const std::string& text) {
  char* out = BeginLine(text.size());
  if (!out) return false;
  EndLine(std::copy(text.begin(), text.end(), out));
  return true;
}

bool TLiteralLines::Finish() {
  Append("');");
  Append(line_break_);
  return Drain();
}

void TLiteralLines::Append(const std::string& text) {
  std::memcpy(buffer_.get() + used_, text.data(), text.size());
  used_ += text.size();
}

bool TLiteralLines::Drain() {
  if (used_ > 0 && ok_) ok_ = sink_.Put(buffer_.get(), used_);
  used_ = 0;
  return ok_;
}
