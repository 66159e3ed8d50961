// The framing of a block, for both protections: literals as lines of
// single-quoted script strings, each followed by "," and the line break, the
// last by ");" and the line break. Lines are collected in a buffer that goes
// to the sink when full. Each line's closing "'," and line break is written
// only when the next line begins, so that the last can be closed with ");"
// instead.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "fileio/block_sink.h"

class TLiteralLines {
 public:
  // `line_break` ends every line (the template's own).
  TLiteralLines(TBlockSink& sink, std::string line_break);

  // Room for one more line of up to `max` bytes (and kEscapeRunSlack beyond,
  // which an escape run may touch), its opening apostrophe already written.
  // Null when the sink failed.
  char* BeginLine(std::size_t max);
  // Ends the line begun last at `end`.
  void EndLine(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }
  // Takes back a line that came out empty, and with it the closing of the
  // line before, which stays open for Finish.
  void DropLine() { used_ -= prefix_; }

  // One whole line holding `text`; false when the sink failed.
  bool PutLine(const std::string& text);

  // Closes the last line with ");" and hands everything to the sink; false
  // when any write failed.
  bool Finish();

 private:
  static constexpr std::size_t kCapacity = 1 << 18;

  void Append(const std::string& text);
  bool Drain();

  TBlockSink& sink_;
  const std::string line_break_;
  // Large: on the heap, whoever holds the lines.
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  bool open_ = false;
  std::size_t prefix_ = 0;
  bool ok_ = true;
};
