// TFileSink: streams a block into an open file. The first failed write is
// kept with the system's reason, taken at the moment it failed.
#pragma once

#include <string>

#include "engine/block_sink.h"
#include "platform/platform.h"

class TFileSink : public TBlockSink {
 public:
  explicit TFileSink(platform::FileHandle handle) : handle_(handle) {}

  bool Put(const char* data, std::size_t size) override;
  using TBlockSink::Put;

  // True once a write failed; every later Put fails too.
  bool Failed() const { return failed_; }
  // The system's reason for the failed write.
  const std::string& Reason() const { return reason_; }

 private:
  platform::FileHandle handle_;
  bool failed_ = false;
  std::string reason_;
};
