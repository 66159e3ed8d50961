// TFastIO: a cursor over one file on disk. It reads forward one byte at a
// time through a 2048-byte window, searches forward for a text within a
// bounded number of start positions. Made for text files: a 0 byte and the end of the file
// look the same to every reading operation.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

class TFastIO {
 public:
  static constexpr std::uint32_t kWindowSize = 2048;

  TFastIO();
  ~TFastIO();
  TFastIO(const TFastIO&) = delete;
  TFastIO& operator=(const TFastIO&) = delete;

  // Opens an existing file for reading (other readers allowed). On success
  // FileName is the name and Position, WindowStart and WindowLength are 0; on
  // failure the cursor holds no open file and keeps its former name and
  // counters.
  bool Open(const std::string& file_name);

  // Closes the file; FileName is kept.
  void Close();

  // Size of the open file in bytes (low 32 bits); 0 when it is not known.
  std::uint32_t GetSize();

  // The byte at Position, or 0 at the end of the data (end of file, a read
  // error, or a 0 byte in the file). Position is unchanged.
  char PeekChar() {
    const std::uint32_t index = Position - WindowStart;
    if (Position >= WindowStart && index < WindowLength) return static_cast<char>(Window[index]);
    return Refill();
  }

  // PeekChar, then Position + 1, also when PeekChar gave 0.
  char ReadChar() {
    const char c = PeekChar();
    ++Position;
    return c;
  }

  // The next contiguous run of readable bytes: the window's bytes from
  // Position on, read from the file first when Position lies outside the
  // window. Zero bytes are included; the caller decides what they mean.
  // Empty at the end of the file or when the read fails. Position is
  // unchanged; the run stays valid until the next read.
  struct TByteRun {
    const unsigned char* data;
    std::uint32_t length;
  };
  TByteRun NextRun() {
    PeekChar();
    const std::uint32_t offset = Position - WindowStart;
    if (Position < WindowStart || offset >= WindowLength) return {Window, 0};
    return {Window + offset, WindowLength - offset};
  }

  // True when `offset` lies at or past the end of the open file: a 0 read
  // there is the real end of the data, not a zero byte or a failed read.
  // False when the size cannot be obtained.
  bool IsEndOfFile(std::uint32_t offset);

  // Looks for `text` at each of at most `limit` start positions from
  // Position on. True with Position on the first byte of the hit; false with
  // Position where the data ended or at the start + limit.
  bool FindText(const std::string& text, std::uint32_t limit);

  // True when a file is open.
  bool IsOpen() const { return Handle != platform::kInvalidHandle; }

  std::string FileName;
  platform::FileHandle Handle;
  std::uint32_t WindowLength;
  std::uint32_t WindowStart;
  std::uint32_t Position;
  unsigned char Window[kWindowSize];

 private:
  char Refill();

  // Where the handle's own file pointer stands, when known.
  bool file_pointer_known_ = false;
  std::uint32_t file_pointer_ = 0;
};
