// TElementCutSink: passes a block on to the page, cutting the script element
// that holds it into elements of about kElementBytes (kBlockElementCut: see
// engine/template/payload_area.h). A cut goes only where a line ends in ","
// (every line but the last; a literal never holds a line break), just
// before the line break, so each element holds whole lines and the last
// line, closed by ");", stays with "//Page End". It knows nothing else of
// the block: the lines are the codec's.
#pragma once

#include <cstddef>
#include <string>

#include "fileio/block_sink.h"

class TElementCutSink : public TBlockSink {
 public:
  // Large enough that a block holds few elements, small enough that the
  // browsers parse each in a short task (some 2,600 lines).
  static constexpr std::size_t kElementBytes = 1 << 18;

  // `line_break` ends the block's lines: CR LF or LF.
  TElementCutSink(TBlockSink& inner, const std::string& line_break);

  bool Put(const char* data, std::size_t size) override;
  using TBlockSink::Put;

 private:
  TBlockSink& inner_;
  char line_break_start_;
  // Bytes passed on since the last cut (or the block's start).
  std::size_t since_cut_ = 0;
  // The last byte passed on, for a line break at the start of a Put.
  char previous_ = 0;
};
