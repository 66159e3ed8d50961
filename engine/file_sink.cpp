#include "engine/file_sink.h"

#include <algorithm>
#include <cstdint>

bool TFileSink::Put(const char* data, std::size_t size) {
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
