// TByteSource: the one byte source a page is encoded from. It reads a file
// forward, once, in large pieces, and hands out runs of bytes as they are in
// the file (0 bytes included) or fills a caller's buffer. A read failure is
// kept with the system's reason, so that it is never mistaken for the end of
// the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

class TByteSource {
 public:
  TByteSource() = default;
  ~TByteSource();
  TByteSource(const TByteSource&) = delete;
  TByteSource& operator=(const TByteSource&) = delete;

  // Opens a regular file for reading at its start. False with Reason() set
  // when it cannot be opened or its size is not known; the source then
  // reads nothing.
  bool Open(const std::string& path);

  struct TRun {
    const unsigned char* data;
    std::size_t length;
  };
  // The next bytes from the position on, without consuming them: at least
  // one unless the file has ended or a read failed (Failed() tells which).
  // Valid until the next Peek, Consume or Read.
  TRun Peek();
  // Moves the position `n` bytes on; `n` is at most the last Peek's length.
  void Consume(std::size_t n);

  // Fills `buffer` with the next `size` bytes, fewer only at the end of the
  // file; `got` is how many. False when a read fails.
  bool Read(unsigned char* buffer, std::size_t size, std::size_t* got);

  // The file's size when it was opened.
  std::uint64_t Size() const { return size_; }
  // Bytes consumed so far.
  std::uint64_t Position() const { return position_; }
  // True once a read found the file's end, with every byte consumed.
  bool AtEnd();
  bool Failed() const { return failed_; }
  const std::string& Reason() const { return reason_; }

  // Hands every piece read from a file to `tap` as it comes in, in the
  // file's order and once, whatever the reader then consumes: a second use
  // of the bytes without a second read. Kept from one Open to the next;
  // empty for none.
  using TTap = std::function<void(const unsigned char* data, std::size_t size)>;
  void SetTap(TTap tap) { tap_ = std::move(tap); }

 private:
  static constexpr std::size_t kWindow = 1 << 16;
  // Reads the next window when the current one is used up.
  bool Fill();

  platform::FileHandle handle_ = platform::kInvalidHandle;
  std::vector<unsigned char> window_;
  std::size_t begin_ = 0, end_ = 0;
  std::uint64_t size_ = 0, position_ = 0;
  bool eof_ = false, failed_ = false;
  std::string reason_;
  TTap tap_;
};
