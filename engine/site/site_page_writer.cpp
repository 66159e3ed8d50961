#include "engine/site/site_page_writer.h"

#include "engine/lock/exclusive_file.h"
#include "engine/lock/locked_page_writer.h"
#include "engine/lock/page_check.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// One page's observer: progress goes to the run's counters, and the run's
// stop flag is the page's cancel. Nothing here asks about a backup.
class TPageObserver : public TLockObserver {
 public:
  TPageObserver(const std::function<void(std::uint64_t)>& progress, const std::atomic<bool>& cancel)
      : progress_(progress), cancel_(cancel) {}
  bool ConfirmReplaceBackup(const std::string& /*backup_path*/) override { return false; }
  void Progress(std::uint64_t done, std::uint64_t /*total*/) override { progress_(done); }
  bool Cancelled() override { return cancel_.load(std::memory_order_relaxed); }

 private:
  const std::function<void(std::uint64_t)>& progress_;
  const std::atomic<bool>& cancel_;
};

}  // namespace

bool TSitePageWriter::ReadStartPage(TLockFailure* why) {
  std::uint64_t size = 0;
  const platform::FileHandle file = platform::OpenRegularForReading(plan_.start_page, &size);
  bool ok = file != platform::kInvalidHandle && size == plan_.start_page_size;
  if (ok) {
    start_page_.resize(size);
    std::uint32_t got = 0;
    ok = platform::ReadFileBytes(file, start_page_.data(), static_cast<std::uint32_t>(size), &got) &&
         got == size;
  }
  const std::string reason = platform::LastErrorText();
  platform::CloseFile(file);
  if (!ok) *why = {{messages::kCannotReadFile, {plan_.start_page}}, reason};
  return ok;
}

bool TSitePageWriter::Prepare(const TTemplate& template_, const TPassword& password, TLockFailure* why) {
  return Prepare(
      template_, password, true,
      [&](TProtection protection, std::unique_ptr<TPageCodec>* codec) {
        return MakePageCodec(protection, password, codec);
      },
      why);
}

bool TSitePageWriter::Prepare(const TTemplate& template_, const TPassword& password, bool needs_password,
                              const TCodecMaker& make_codec, TLockFailure* why) {
  // An empty password would encode nothing at all.
  if (needs_password && password.Typed().empty()) {
    *why = {{messages::kPasswordNotEntered, {}}, {}};
    return false;
  }
  // The plan makes the run's codec: one key derivation for the whole site.
  if (!PlanLock(template_, make_codec, &plan_, why)) return false;
  site_key_ = plan_.codec->ShareKey();
  return ReadStartPage(why);
}

bool TSitePageWriter::Write(const std::string& page, std::uint64_t size, std::uint32_t permissions,
                            bool text_page, const std::string& to, TPageBuffers& buffers,
                            const std::function<void(std::uint64_t done)>& progress,
                            const std::atomic<bool>& cancel, TLockFailure* why) const {
  if (!CheckPageBytes(plan_, page, size, why)) return false;
  // Not flushed here: the run flushes the finished tree once, before it
  // takes the output's place.
  TExclusiveFile out(to, false);
  // The locked page is readable by no more people than the page.
  if (!out.Create() || !platform::SetPermissions(out.handle(), permissions)) {
    const std::string reason = platform::LastErrorText();
    *why = {{messages::kCannotCreateFile, {to}}, reason};
    return false;
  }
  TPageObserver observer(progress, cancel);
  buffers.start_page = &start_page_;
  if (!WriteLockedPage(plan_, page, text_page, out, observer, why, &buffers)) return false;
  out.Keep();
  return true;
}
