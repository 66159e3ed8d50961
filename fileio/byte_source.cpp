#include "fileio/byte_source.h"

#include <algorithm>
#include <cstring>

TByteSource::~TByteSource() { platform::CloseFile(handle_); }

bool TByteSource::Open(const std::string& path) {
  platform::CloseFile(handle_);
  begin_ = end_ = 0;
  size_ = position_ = 0;
  eof_ = failed_ = false;
  reason_.clear();
  handle_ = platform::OpenRegularForReading(path, &size_);
  if (handle_ == platform::kInvalidHandle) {
    reason_ = platform::LastErrorText();
    failed_ = true;
    return false;
  }
  window_.resize(kWindow);
  return true;
}

bool TByteSource::Fill() {
  if (begin_ < end_) return true;
  begin_ = end_ = 0;
  if (eof_ || failed_) return false;
  std::uint32_t got = 0;
  if (!platform::ReadFileBytes(handle_, window_.data(), static_cast<std::uint32_t>(window_.size()), &got)) {
    failed_ = true;
    reason_ = platform::LastErrorText();
    return false;
  }
  end_ = got;
  if (tap_ && got > 0) tap_(window_.data(), got);
  // ReadFileBytes fills the window unless the file ends: a short read is
  // the end, with no further call to learn it.
  eof_ = got < window_.size();
  return got > 0;
}

TByteSource::TRun TByteSource::Peek() {
  if (!Fill()) return {window_.data(), 0};
  return {window_.data() + begin_, end_ - begin_};
}

void TByteSource::Consume(std::size_t n) {
  n = std::min(n, end_ - begin_);
  begin_ += n;
  position_ += n;
}

bool TByteSource::Read(unsigned char* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  while (*got < size) {
    const TRun run = Peek();
    if (run.length == 0) return !failed_;
    const std::size_t n = std::min(run.length, size - *got);
    std::memcpy(buffer + *got, run.data, n);
    Consume(n);
    *got += n;
  }
  return true;
}

bool TByteSource::AtEnd() { return Peek().length == 0 && !failed_; }
