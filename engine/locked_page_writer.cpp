#include "engine/locked_page_writer.h"

#include <algorithm>
#include <cstdint>

#include "engine/file_sink.h"
#include "engine/lock_progress.h"
#include "engine/page_encoding.h"
#include "engine/strong_block.h"
#include "fileio/fast_io.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// Passes the block on unless the observer asks to stop first and, when it
// has a source to watch, tells the observer how much of the page the
// encoder has read after each piece.
class TObservedSink : public TBlockSink {
 public:
  TObservedSink(TBlockSink& inner, TLockObserver& observer) : inner_(inner), observer_(observer) {}
  void Watch(const TFastIO* source, std::uint64_t total) {
    source_ = source;
    total_ = total;
  }
  bool Put(const char* data, std::size_t size) override {
    if (observer_.Cancelled()) {
      cancelled_ = true;
      return false;
    }
    if (!inner_.Put(data, size)) return false;
    if (source_ && total_ > 0) observer_.Progress(std::min<std::uint64_t>(source_->Position, total_), total_);
    return true;
  }
  using TBlockSink::Put;

  bool Cancelled() const { return cancelled_; }

 private:
  TBlockSink& inner_;
  TLockObserver& observer_;
  const TFastIO* source_ = nullptr;
  std::uint64_t total_ = 0;
  bool cancelled_ = false;
};

bool WriteXorBlock(const std::string& source_path, const TPassword& password, bool text_page,
                   TObservedSink& sink) {
  TFastIO source;
  if (!source.Open(source_path)) return false;
  sink.Watch(&source, source.GetSize());
  const bool written = WritePageBlock(source, password.Typed(), text_page, sink);
  sink.Watch(nullptr, 0);
  if (!written) return false;
  // The encoder stops at the first 0 it reads, and a failed read reads as 0
  // too. The page holds no zero byte, so the data must end at the file's end.
  return source.IsEndOfFile(source.Position - 1);
}

bool WriteBlock(TProtection protection, const std::string& source_path, const TPassword& password,
                bool text_page, TObservedSink& sink, TLockObserver& observer) {
  switch (protection) {
    case TProtection::Xor:
      return WriteXorBlock(source_path, password, text_page, sink);
    case TProtection::Strong: {
      const TLockProgress progress = [&observer](std::uint64_t done, std::uint64_t total) {
        observer.Progress(done, total);
      };
      return WriteStrongBlock(source_path, password, text_page, sink, progress);
    }
  }
  return false;
}

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

}  // namespace

bool WriteLockedPage(const TLockPlan& plan, const std::string& source_path, const TPassword& password,
                     bool text_page, TExclusiveFile& out, TLockObserver& observer, TLockFailure* why) {
  TFileSink file(out.handle());
  TObservedSink sink(file, observer);
  TFastIO start_page;
  const bool ok = start_page.Open(plan.start_page) && CopySpan(start_page, 0, plan.area.begin, sink) &&
                  WriteBlock(plan.area.protection, source_path, password, text_page, sink, observer) &&
                  CopySpan(start_page, plan.area.end, UINT32_MAX, sink);
  if (!ok) {
    const std::string reason = platform::LastErrorText();
    if (sink.Cancelled()) {
      *why = {{}, {}, true};
    } else if (file.Failed()) {
      *why = {{messages::kCannotWriteLockedPage, {out.path()}}, file.Reason()};
    } else {
      *why = {{messages::kCannotReadFile, {source_path + "\n" + plan.start_page}}, reason};
    }
    return false;
  }
  std::string reason;
  if (!out.Finish(&reason)) {
    *why = {{messages::kCannotWriteLockedPage, {out.path()}}, reason};
    return false;
  }
  return true;
}
