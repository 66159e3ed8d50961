// The strong block's framing: literals as lines of single-quoted script
// strings, each followed by "," and the line break, the last by ");" and the
// line break. The header literals go as they are; the sealed stream goes as
// base64 lines of kStrongLineLength characters, only the last shorter.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "fileio/block_sink.h"

class TSealedLines {
 public:
  // Writes into `sink`; `room` is the most bytes sealed at once,
  // `line_break` ends every line (the template's own).
  TSealedLines(TBlockSink& sink, std::size_t room, std::string line_break);

  // One header literal, as its own line.
  bool PutLiteral(const std::string& literal);

  // Where the next sealed bytes go (room for the size given at
  // construction), so that no sealed byte is copied before it is encoded.
  unsigned char* Room() { return buffer_.data() + held_; }

  // Encodes the held bytes and `size` new ones at Room() as whole lines. At
  // least one byte is always held back, so that the last line is known when
  // the stream ends.
  bool Commit(std::size_t size);

  // Writes the last line, closed by ");".
  bool Finish();

 private:
  TBlockSink& sink_;
  std::vector<unsigned char> buffer_;
  std::size_t held_ = 0;
  std::string line_break_, out_;
};
