// TFileWriter: the one buffered file writer. It collects bytes and writes
// them to an open file in large pieces, so that a stream of small lines
// does not pay a system call each. The first failed write is kept with the
// system's reason, taken at the moment it failed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "fileio/block_sink.h"
#include "platform/platform.h"

class TFileWriter : public TBlockSink {
 public:
  // Writes to `handle`, which stays the caller's to close.
  explicit TFileWriter(platform::FileHandle handle);
  // The same, collecting in `buffer` (emptied first), which the caller
  // keeps for the next file: a run of many small files allocates it once.
  TFileWriter(platform::FileHandle handle, std::vector<char>* buffer);
  TFileWriter(const TFileWriter&) = delete;
  TFileWriter& operator=(const TFileWriter&) = delete;

  // Appends the bytes; false once a write failed (every later call fails
  // too). Bytes still held are written by Flush, never by the destructor.
  bool Put(const char* data, std::size_t size) override;
  using TBlockSink::Put;

  // Writes what is held. False when that or an earlier write failed; the
  // file then holds an unknown part of the bytes.
  bool Flush();

  bool Failed() const { return failed_; }
  // The system's reason for the failed write.
  const std::string& Reason() const { return reason_; }

 private:
  static constexpr std::size_t kCapacity = 1 << 16;
  bool Write(const char* data, std::size_t size);

  platform::FileHandle handle_;
  std::vector<char> own_;
  std::vector<char>& buffer_;
  bool failed_ = false;
  std::string reason_;
};
