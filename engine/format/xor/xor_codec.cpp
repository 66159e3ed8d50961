#include "engine/format/xor/xor_codec.h"

#include <algorithm>

#include "engine/format/xor/page_encoding.h"

namespace {

// Passes the block on and, after each piece, tells how much of the page the
// encoder has read; a cancel refuses the next piece.
class TProgressSink : public TBlockSink {
 public:
  TProgressSink(TBlockSink& inner, const TByteSource& page, const TCodecProgress& progress)
      : inner_(inner), page_(page), progress_(progress) {}
  bool Put(const char* data, std::size_t size) override {
    if (cancelled_ || !inner_.Put(data, size)) return false;
    const std::uint64_t total = page_.Size();
    if (progress_ && total > 0 && !progress_(std::min(page_.Position(), total), total)) cancelled_ = true;
    return true;
  }
  using TBlockSink::Put;
  bool cancelled() const { return cancelled_; }

 private:
  TBlockSink& inner_;
  const TByteSource& page_;
  const TCodecProgress& progress_;
  bool cancelled_ = false;
};

}  // namespace

TOutcome TXorCodec::WriteBlock(TByteSource& page, bool text_page, const std::string& line_break,
                               TBlockSink& sink, const TCodecProgress& progress) {
  TProgressSink reporting(sink, page, progress);
  if (!WritePageBlock(page, password_, text_page, reporting, line_break))
    return reporting.cancelled() ? CancelledOutcome() : BlockFailed(messages::kCannotWriteLockedPage);
  if (reporting.cancelled()) return CancelledOutcome();
  // The encoder stops at the first 0 it reads, and at a failed read: the
  // page is whole only when it was read to its end.
  return page.AtEnd() ? TOutcome{} : BlockFailed(messages::kCannotReadFile);
}
