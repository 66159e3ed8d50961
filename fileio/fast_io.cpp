#include "fileio/fast_io.h"

#include <cstring>

TFastIO::TFastIO()
    : Handle(platform::kInvalidHandle), WindowLength(0), WindowStart(0), Position(0), Window{} {}

TFastIO::~TFastIO() { Close(); }

bool TFastIO::Open(const std::string& file_name) {
  Close();
  const platform::FileHandle handle = platform::OpenForReading(file_name);
  if (handle == platform::kInvalidHandle) return false;
  Handle = handle;
  file_pointer_known_ = true;
  file_pointer_ = 0;
  FileName = file_name;
  Position = 0;
  WindowStart = 0;
  WindowLength = 0;
  return true;
}

void TFastIO::Close() {
  platform::CloseFile(Handle);
  Handle = platform::kInvalidHandle;
}

std::uint32_t TFastIO::GetSize() {
  std::uint32_t size = 0;
  if (!IsOpen() || !platform::FileSize(Handle, &size)) return 0;
  return size;
}

char TFastIO::Refill() {
  // The window starts exactly where the read missed; a failed or empty read
  // leaves the old window in place.
  // A forward read that continues where the last one ended needs no seek.
  if (!IsOpen()) return 0;
  if (!file_pointer_known_ || file_pointer_ != Position) {
    file_pointer_known_ = false;
    if (!platform::SeekFromStart(Handle, Position)) return 0;
  }
  std::uint32_t got = 0;
  if (!platform::ReadFileBytes(Handle, Window, kWindowSize, &got)) return 0;
  file_pointer_known_ = true;
  file_pointer_ = Position + got;
  if (got == 0) return 0;
  WindowLength = got;
  WindowStart = Position;
  return static_cast<char>(Window[0]);
}

bool TFastIO::IsEndOfFile(std::uint32_t offset) {
  std::uint32_t size = 0;
  return IsOpen() && platform::FileSize(Handle, &size) && offset >= size;
}

bool TFastIO::FindText(const std::string& text, std::uint32_t limit) {
  if (limit == 0 || text.empty()) return false;
  const std::uint32_t start = Position;
  for (std::uint32_t i = 0; i < limit; ++i) {
    const std::uint32_t candidate = start + i;
    Position = candidate;
    const char first = PeekChar();
    if (first == 0) return false;
    if (first != text[0]) continue;
    bool hit = true;
    for (std::uint32_t j = 1; j < text.size(); ++j) {
      Position = candidate + j;
      const char c = PeekChar();
      if (c == 0) return false;
      if (c != text[j]) {
        hit = false;
        break;
      }
    }
    if (hit) {
      Position = candidate;
      return true;
    }
  }
  Position = start + limit;
  return false;
}
