#include "fileio/fast_io.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "fileio/file_writer.h"
#include "platform/path_parts.h"

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

bool TFastIO::Reopen() {
  const std::string name = FileName;
  return Open(name);
}

bool TFastIO::Splice(const std::string& text, std::int32_t span) {
  if (span < 0) return false;
  if (text.size() == static_cast<std::uint32_t>(span)) return SpliceInPlace(text);
  return SpliceThroughTemporary(text, static_cast<std::uint32_t>(span));
}

bool TFastIO::SpliceInPlace(const std::string& text) {
  const std::uint32_t at = Position;
  Close();
  bool ok = false;
  const platform::FileHandle writer = platform::OpenForReadWrite(FileName);
  if (writer != platform::kInvalidHandle) {
    ok = platform::SeekFromStart(writer, at) &&
         platform::WriteFileBytes(writer, text.data(), static_cast<std::uint32_t>(text.size()));
    platform::CloseFile(writer);
  }
  Reopen();
  return ok;
}

bool TFastIO::SpliceThroughTemporary(const std::string& text, std::uint32_t span) {
  if (!IsOpen()) return false;
  const std::uint32_t at = Position;
  // The tail is copied up to the file's real end, so that a 0 byte behind
  // the span cannot cut the file short.
  std::uint32_t size = 0;
  if (!platform::FileSize(Handle, &size)) return false;
  const std::string temporary = FileName + platform::kTemporarySuffix;
  // Never truncates a file of that name: it may be another splice's, or a
  // file of the user's.
  const platform::FileHandle out = platform::CreateExclusive(temporary);
  if (out == platform::kInvalidHandle) return false;

  auto abandon = [&](std::uint32_t position) {
    platform::CloseFile(out);
    platform::RemoveFile(temporary);
    Position = position;
    return false;
  };

  TFileWriter writer(out);
  // Head: the first `at` bytes, which must hold no 0 byte (the end of the
  // data to every reader of this cursor).
  Position = 0;
  while (Position < at) {
    const TByteRun run = NextRun();
    if (run.length == 0) return abandon(Position + 1);
    const std::uint32_t n = std::min(run.length, at - Position);
    if (const void* zero = std::memchr(run.data, 0, n)) {
      return abandon(Position +
                     static_cast<std::uint32_t>(static_cast<const unsigned char*>(zero) - run.data) + 1);
    }
    if (!writer.Put(reinterpret_cast<const char*>(run.data), n)) return abandon(at);
    Position += n;
  }
  if (!writer.Put(text)) return abandon(at);
  // Tail: everything behind the span, 0 bytes included.
  Position = at + span;
  if (Position < at) return abandon(at);  // the span ran past 4 GiB
  while (Position < size) {
    const TByteRun run = NextRun();
    if (run.length == 0) return abandon(at);  // the read failed
    const std::uint32_t n = std::min(run.length, size - Position);
    if (!writer.Put(reinterpret_cast<const char*>(run.data), n)) return abandon(at);
    Position += n;
  }
  if (!writer.Flush() || !platform::FlushFile(out)) return abandon(at);

  const bool closed = platform::CloseFile(out);
  if (!closed) {
    platform::RemoveFile(temporary);
    Position = at;
    return false;
  }
  Close();
  const bool replaced = platform::ReplaceFileAtomically(temporary, FileName);
  if (!replaced) platform::RemoveFile(temporary);
  Reopen();
  Position = at;
  return replaced;
}
