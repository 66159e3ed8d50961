#include "engine/site_page_writer.h"

#include "engine/exclusive_file.h"
#include "engine/locked_page_writer.h"
#include "engine/page_check.h"
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

bool TSitePageWriter::Prepare(const TTemplate& template_, const TPassword& password, TLockFailure* why) {
  // An empty password would encode nothing at all.
  if (password.Typed().empty()) {
    *why = {{messages::kPasswordNotEntered, {}}, {}};
    return false;
  }
  // The plan makes the run's codec: one key derivation for the whole site.
  if (!PlanLock(template_, password, &plan_, why)) return false;
  site_key_ = plan_.codec->ShareKey();
  return true;
}

bool TSitePageWriter::Write(const std::string& page, bool text_page, const std::string& to,
                            const std::function<void(std::uint64_t done)>& progress,
                            const std::atomic<bool>& cancel, TLockFailure* why) const {
  std::uint64_t size = 0;
  if (!LockablePageSize(page, &size, why) || !CheckPageBytes(plan_, page, size, why)) return false;
  TExclusiveFile out(to);
  if (!out.Create()) {
    const std::string reason = platform::LastErrorText();
    *why = {{messages::kCannotCreateFile, {to}}, reason};
    return false;
  }
  // The locked page is readable by no more people than the page.
  if (!platform::CopyPermissions(page, to)) {
    const std::string reason = platform::LastErrorText();
    *why = {{messages::kCannotCreateFile, {to}}, reason};
    return false;
  }
  TPageObserver observer(progress, cancel);
  if (!WriteLockedPage(plan_, page, text_page, out, observer, why)) return false;
  out.Keep();
  return true;
}
