// TBlockReader: reads a locked page's block back, literal by literal, in
// bounded memory whatever the page's size. The block starts where the lock
// put it, on the line after "//Page Begin"; its literals are single-quoted,
// each on its own line, followed by "," and, for the last one, by ");", and
// then by the line break that ends the marker's line (CR LF or LF). Between
// a "," and its line break may stand the cut between two of the holder's
// script elements (kBlockElementCut).
// "//Page End" follows the block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

class TBlockReader {
 public:
  enum class TStatus {
    Ok,
    // The file cannot be opened or read: LastErrorText() says why.
    ReadFailed,
    // No "//Page Begin" within the marker search limit.
    NoBlock,
    // The block breaks its shape: Problem() says where.
    Malformed,
  };

  TBlockReader() = default;
  ~TBlockReader();
  TBlockReader(const TBlockReader&) = delete;
  TBlockReader& operator=(const TBlockReader&) = delete;

  // Opens the locked page and moves to its block's first literal.
  TStatus Open(const std::string& path);

  // Reads the next literal's contents into `text` (cleared first) and sets
  // `last` when it is the block's last. After the last, checks that
  // "//Page End" follows. A literal may not hold a line break and may not
  // be longer than kMaxLiteral.
  TStatus Next(std::string* text, bool* last);

  // Where and how the block broke its shape, for a message.
  const std::string& Problem() const { return problem_; }
  // The system's words for the failed open or read.
  const std::string& LastErrorText() const { return error_; }
  // Bytes of the page read so far, for a progress line.
  std::uint64_t BytesRead() const { return read_; }

  static constexpr std::size_t kMaxLiteral = 1 << 20;

 private:
  // Makes at least `n` bytes available from pos_ (fewer at the end of the
  // file). False when the read fails.
  bool Fill(std::size_t n);
  bool Expect(const std::string& text);
  TStatus Malformed(const std::string& problem);

  platform::FileHandle file_ = platform::kInvalidHandle;
  std::vector<char> buffer_;
  std::size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
  bool done_ = false;
  std::uint64_t literal_ = 0;
  std::uint64_t read_ = 0;
  std::string problem_, error_;
  std::string line_break_;
};
