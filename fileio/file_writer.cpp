#include "fileio/file_writer.h"

#include <algorithm>
#include <cstdint>

TFileWriter::TFileWriter(platform::FileHandle handle) : TFileWriter(handle, nullptr) {}

TFileWriter::TFileWriter(platform::FileHandle handle, std::vector<char>* buffer)
    : handle_(handle), buffer_(buffer ? *buffer : own_) {
  buffer_.clear();
  buffer_.reserve(kCapacity);
}

bool TFileWriter::Write(const char* data, std::size_t size) {
  while (!failed_ && size > 0) {
    // One write call takes at most 32 bits of length.
    const std::size_t n = std::min<std::size_t>(size, 1u << 30);
    if (!platform::WriteFileBytes(handle_, data, static_cast<std::uint32_t>(n))) {
      failed_ = true;
      reason_ = platform::LastErrorText();
    }
    data += n;
    size -= n;
  }
  return !failed_;
}

bool TFileWriter::Put(const char* data, std::size_t size) {
  if (failed_) return false;
  if (buffer_.size() + size > kCapacity && !Flush()) return false;
  // A piece as large as the buffer goes out as it is, without a copy.
  if (size >= kCapacity) return Write(data, size);
  buffer_.insert(buffer_.end(), data, data + size);
  return true;
}

bool TFileWriter::Flush() {
  const bool ok = Write(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}
