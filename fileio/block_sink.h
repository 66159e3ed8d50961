// TBlockSink: where bytes go as they are produced: a page's block, a decoded
// page. A lock streams the block straight into the locked page's temporary
// file (TFileWriter), so memory stays bounded whatever the page's size;
// tests collect it in a string.
#pragma once

#include <cstddef>
#include <string>

class TBlockSink {
 public:
  virtual ~TBlockSink() = default;

  // Appends `size` bytes. False when they could not be written; the producer
  // then stops and reports failure.
  virtual bool Put(const char* data, std::size_t size) = 0;

  bool Put(const std::string& text) { return Put(text.data(), text.size()); }
};

// Collects a block in memory.
class TStringSink : public TBlockSink {
 public:
  bool Put(const char* data, std::size_t size) override {
    Text.append(data, size);
    return true;
  }
  using TBlockSink::Put;

  std::string Text;
};
