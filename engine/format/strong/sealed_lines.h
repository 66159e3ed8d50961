// The strong block's lines, in the framing of TLiteralLines: the header
// literals go as they are; the sealed stream goes as base64 lines of
// kStrongLineLength characters, only the last shorter.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "engine/format/literal_lines.h"
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
  unsigned char* Room() { return buffer_.get() + held_; }

  // Encodes the held bytes and `size` new ones at Room() as whole lines. At
  // least one byte is always held back, so that the last line is known when
  // the stream ends.
  bool Commit(std::size_t size);

  // Writes the last line, closed by ");".
  bool Finish();

 private:
  TLiteralLines lines_;
  // Not cleared when made: only bytes written at Room() are read.
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t held_ = 0;
};
