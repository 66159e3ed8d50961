#include "engine/lock/locked_page_writer.h"

#include <algorithm>
#include <cstdint>

#include "engine/format/element_cuts.h"
#include "fileio/byte_source.h"
#include "fileio/fast_io.h"
#include "fileio/file_writer.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// Passes the bytes on unless the observer asks to stop first.
class TObservedSink : public TBlockSink {
 public:
  TObservedSink(TBlockSink& inner, TRunObserver& observer) : inner_(inner), observer_(observer) {}
  bool Put(const char* data, std::size_t size) override {
    if (observer_.Cancelled()) {
      cancelled_ = true;
      return false;
    }
    return inner_.Put(data, size);
  }
  using TBlockSink::Put;

  bool Cancelled() const { return cancelled_; }

 private:
  TBlockSink& inner_;
  TRunObserver& observer_;
  bool cancelled_ = false;
};

// Streams the bytes [begin, end) of the file `from` stands on into `sink`;
// without `end`, up to the end of the file, which must really be its end and
// not a failed read.
bool CopySpan(TFastIO& from, std::uint32_t begin, std::uint32_t end, TBlockSink& sink) {
  from.Position = begin;
  while (from.Position < end) {
    const TFastIO::TByteRun run = from.NextRun();
    if (run.length == 0) return end == UINT32_MAX && from.IsEndOfFile(from.Position);
    const std::uint32_t n = std::min(run.length, end - from.Position);
    if (!sink.Put(reinterpret_cast<const char*>(run.data), n)) return false;
    from.Position += n;
  }
  return true;
}

// Streams the bytes [begin, end) of the start page's bytes into `sink`;
// without `end`, up to their end.
bool CopySpan(const std::string& from, std::uint32_t begin, std::uint32_t end, TBlockSink& sink) {
  if (end > from.size()) end = static_cast<std::uint32_t>(from.size());
  return begin >= end || sink.Put(from.data() + begin, end - begin);
}

}  // namespace

TOutcome WriteLockedPage(const TLockPlan& plan, const std::string& source_path, bool text_page,
                         TExclusiveFile& out, TRunObserver& observer, TPageBuffers* buffers) {
  TPageBuffers own;
  if (!buffers) buffers = &own;
  TFileWriter file(out.handle(), &buffers->out);
  TObservedSink sink(file, observer);
  TFastIO start_page;
  TByteSource& page = buffers->page;
  const std::string* kept = buffers->start_page;
  const auto head = [&] {
    return kept ? CopySpan(*kept, 0, plan.area.begin, sink)
                : start_page.Open(plan.start_page) && CopySpan(start_page, 0, plan.area.begin, sink);
  };
  const auto tail = [&] {
    return kept ? CopySpan(*kept, plan.area.end, UINT32_MAX, sink)
                : CopySpan(start_page, plan.area.end, UINT32_MAX, sink);
  };
  const TCodecProgress progress = [&observer](std::uint64_t done, std::uint64_t total) {
    observer.Progress({done, total, 0, 0});
    return !observer.Cancelled();
  };
  // A large block in one element would hold the reader's browser while it
  // parses: the shipped templates' holder is cut into elements as it goes.
  TElementCutSink cut(sink, plan.area.line_break);
  TBlockSink& block_sink = plan.area.cut_into_elements ? static_cast<TBlockSink&>(cut) : sink;
  TOutcome block = BlockFailed(messages::kCannotReadFile);
  const bool ok =
      head() && page.Open(source_path) &&
      (block = plan.codec->WriteBlock(page, text_page, plan.area.line_break, block_sink, progress)).ok() &&
      tail() && file.Flush();
  if (!ok) {
    const std::string reason = page.Failed() ? page.Reason() : platform::LastErrorText();
    if (sink.Cancelled() || block.status == TStatus::Cancelled) return CancelledOutcome();
    if (file.Failed()) return Failed({{messages::kCannotWriteLockedPage, {out.path()}}, file.Reason()});
    if (block.cause() == messages::kCannotMakeKey) return Failed({{messages::kCannotMakeKey, {}}, {}});
    return Failed({{messages::kCannotReadFile, {source_path + "\n" + plan.start_page}}, reason});
  }
  TProblem finished = out.Finish();
  if (finished) return Failed(std::move(finished));
  return {};
}
