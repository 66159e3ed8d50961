#include "engine/site/site_page_writer.h"

#include <cstring>

#include "engine/lock/exclusive_file.h"
#include "engine/lock/locked_page_writer.h"
#include "engine/lock/page_check.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// The size from which a page's locked page is sent to the disk at once.
constexpr std::uint64_t kEarlyWriteBackBytes = 256 * 1024;

// One page's observer: progress goes to the run's counters, and the run's
// stop flag is the page's cancel.
class TPageObserver : public TRunObserver {
 public:
  TPageObserver(const std::function<void(std::uint64_t)>& progress, const std::atomic<bool>& cancel)
      : progress_(progress), cancel_(cancel) {}
  void Progress(const TProgress& progress) override { progress_(progress.bytes_done); }
  bool Cancelled() override { return cancel_.load(std::memory_order_relaxed); }

 private:
  const std::function<void(std::uint64_t)>& progress_;
  const std::atomic<bool>& cancel_;
};

}  // namespace

TProblem TSitePageWriter::ReadStartPage() {
  std::uint64_t size = 0;
  const platform::FileHandle file = platform::OpenRegularForReading(plan_.start_page, &size);
  bool ok = file != platform::kInvalidHandle && size == plan_.start_page_size;
  if (ok) {
    start_page_.resize(size);
    std::uint32_t got = 0;
    ok = platform::ReadFileBytes(file, start_page_.data(), static_cast<std::uint32_t>(size), &got) &&
         got == size;
  }
  TProblem problem;
  if (!ok) problem = {{messages::kCannotReadFile, {plan_.start_page}}, platform::LastErrorText()};
  platform::CloseFile(file);
  return problem;
}

TProblem TSitePageWriter::Prepare(const TTemplate& template_, const TPassword& password) {
  return Prepare(template_, password, true, [&](TProtection protection, std::unique_ptr<TPageCodec>* codec) {
    return MakePageCodec(protection, password, codec);
  });
}

TProblem TSitePageWriter::Prepare(const TTemplate& template_, const TPassword& password, bool needs_password,
                                  const TCodecMaker& make_codec) {
  // An empty password would encode nothing at all.
  if (needs_password && password.Typed().empty()) return {{messages::kPasswordNotEntered, {}}, {}};
  // The plan makes the run's codec: one key derivation for the whole site.
  TValueOr<TLockPlan> planned = PlanLock(template_, make_codec);
  if (!planned.ok()) return planned.problem;
  plan_ = std::move(planned.value);
  site_key_ = plan_.codec->ShareKey();
  return ReadStartPage();
}

TOutcome TSitePageWriter::Write(const std::string& page, std::uint64_t size, std::uint32_t permissions,
                                bool text_page, const std::string& to, TPageBuffers& buffers,
                                const std::function<void(std::uint64_t done)>& progress,
                                const TByteSource::TTap& read, const std::atomic<bool>& cancel) const {
  if (TProblem problem = CheckPageSize(plan_, page, size)) return Failed(std::move(problem));
  // Not flushed here: the run flushes the finished tree once, before it
  // takes the output's place. A big page's bytes start for the disk as
  // soon as it is written, so that the disk writes while the jobs still
  // encode and that flush waits less; small pages are left to it whole,
  // where the system writes them in one pass.
  TExclusiveFile out(to, false);
  if (size >= kEarlyWriteBackBytes) out.StartWriteBackAtFinish();
  // The locked page is readable by no more people than the page.
  if (TProblem problem = out.Create()) return Failed(std::move(problem));
  if (!platform::SetPermissions(out.handle(), permissions))
    return Failed({{messages::kCannotCreateFile, {to}}, platform::LastErrorText()});
  TPageObserver observer(progress, cancel);
  buffers.start_page = &start_page_;
  // Zero bytes are looked for in the bytes the block is made from, rather
  // than in a read of their own; a page that holds one is not kept.
  struct TSeen {
    const TByteSource::TTap& read;
    const bool watch_zeros;
    bool zero = false;
  } seen{read, RefusesZeroBytes(plan_)};
  buffers.page.SetTap([&seen](const unsigned char* data, std::size_t size) {
    if (seen.watch_zeros && !seen.zero) seen.zero = std::memchr(data, 0, size) != nullptr;
    if (seen.read) seen.read(data, size);
  });
  TOutcome written = WriteLockedPage(plan_, page, text_page, out, observer, &buffers);
  buffers.page.SetTap({});
  // The XOR block's data may have ended at the zero, so that the page was
  // not read through: the zero is the page's problem.
  if (seen.zero && written.status != TStatus::Cancelled) return Failed(ZeroBytesProblem(page));
  if (written.ok()) out.Keep();
  return written;
}
