#include "engine/lock_page.h"

#include <cstdint>

#include "engine/lock/exclusive_file.h"
#include "engine/lock/lock_plan.h"
#include "engine/lock/locked_page_writer.h"
#include "engine/lock/page_check.h"
#include "engine/site/page_patterns.h"
#include "engine/lock/template_installation.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

const char kTextExtension[] = ".txt";

TLockResult WithStatus(TLockStatus status) {
  TLockResult result;
  result.status = status;
  return result;
}

// A template file landing on the backup would leave no copy of the page.
bool TemplateWouldReplaceBackup(const std::string& template_folder, const std::string& page_path,
                                const std::string& backup_path, TLockFailure* why) {
  for (const auto& destination : TemplateDestinations(template_folder, page_path)) {
    if (destination == page_path) continue;  // the start page does not land there
    if (destination == backup_path || platform::SameFile(destination, backup_path)) {
      *why = {{messages::kBackupInTemplate, {backup_path, destination}}, {}};
      return true;
    }
  }
  return false;
}

bool CheckPageAndBackup(const TLockPlan& plan, const std::string& page_path, const std::string& backup_path,
                        TLockFailure* why) {
  std::uint64_t size = 0;
  if (!LockablePageSize(page_path, &size, why)) return false;
  if (backup_path == page_path || backup_path == page_path + kLockTemporarySuffix ||
      platform::SameFile(backup_path, page_path)) {
    *why = {{messages::kBackupIsThePage, {backup_path, page_path}}, {}};
    return false;
  }
  if (TemplateWouldReplaceBackup(plan.template_.folder, page_path, backup_path, why)) return false;
  if (!CheckPageBytes(plan, page_path, size, why)) return false;
  // Replacing the backup with a locked page would throw away the only copy
  // of the original: the usual way there is running a lock a second time.
  if (platform::PathExists(backup_path) && HoldsPageBlock(page_path)) {
    *why = {{messages::kBackupOfLockedPage, {page_path, backup_path}}, {}};
    return false;
  }
  return true;
}

// The backup goes through a temporary file beside it, flushed, and replaces
// the old backup in one step: a failed copy leaves the old backup as it was.
bool MakeBackup(const std::string& page_path, const std::string& backup_path, TLockFailure* why) {
  const std::string temporary = backup_path + kLockTemporarySuffix;
  if (platform::PathExists(temporary)) {
    *why = {{messages::kTemporaryFileExists, {temporary}}, {}};
    return false;
  }
  if (!platform::CopyToNewFile(page_path, temporary)) {
    const std::string reason = platform::LastErrorText();
    *why = {{messages::kCannotCopyToBackup, {page_path, backup_path}}, reason};
    return false;
  }
  if (!platform::ReplaceFileAtomically(temporary, backup_path)) {
    const std::string reason = platform::LastErrorText();
    platform::RemoveFile(temporary);
    *why = {{messages::kCannotCopyToBackup, {page_path, backup_path}}, reason};
    return false;
  }
  return true;
}

// The template's other files, copied beside the page; the first problem
// becomes the result's message and the others follow it.
TLockResult InstallFailure(TTemplateInstallation installed) {
  if (installed.failures.empty()) return WithStatus(TLockStatus::Cancelled);
  TLockResult result = FailedLock(std::move(installed.failures.front()));
  result.further.assign(std::make_move_iterator(installed.failures.begin() + 1),
                        std::make_move_iterator(installed.failures.end()));
  return result;
}

// Does the work for LockPage on a page path that is already final.
TLockResult BuildLockedPage(const TLockRequest& request, const std::string& page_path, bool wrap,
                            TLockObserver& observer) {
  TLockPlan plan;
  TLockFailure why;
  if (!PlanLock(request.template_, request.password, &plan, &why)) return FailedLock(why);

  // The temporary page, created exclusively, is the guard against a second
  // lock of the same page: the page's checks below read a page that no
  // other lock can replace meanwhile.
  TExclusiveFile out(page_path + kLockTemporarySuffix);
  if (!out.Create()) {
    const std::string reason = platform::LastErrorText();
    if (platform::PathExists(out.path()))
      return FailedLock({{messages::kTemporaryFileExists, {out.path()}}, {}});
    return FailedLock({{messages::kCannotCreateFile, {out.path()}}, reason});
  }
  const std::string& backup = request.backup;
  if (!CheckPageAndBackup(plan, page_path, backup, &why)) return FailedLock(why);
  // The locked page is readable by no more people than the page, from its
  // first byte on.
  if (!platform::CopyPermissions(page_path, out.path())) {
    const std::string reason = platform::LastErrorText();
    return FailedLock({{messages::kCannotCreateFile, {out.path()}}, reason});
  }

  if (platform::PathExists(backup) && !observer.ConfirmReplaceBackup(backup))
    return WithStatus(TLockStatus::Declined);
  if (observer.Cancelled()) return WithStatus(TLockStatus::Cancelled);
  // No copy of the page, no lock: the page must never be replaced while its
  // bytes exist nowhere else.
  if (!MakeBackup(page_path, backup, &why)) return FailedLock(why);
  TTemplateInstallation installed = InstallTemplate(plan.template_.folder, page_path, false, observer);
  if (!installed.ok()) return InstallFailure(std::move(installed));
  // The block is read from the backup, the copy no other program has open.
  if (!WriteLockedPage(plan, backup, wrap, out, observer, &why)) return FailedLock(why);
  if (observer.Cancelled()) return WithStatus(TLockStatus::Cancelled);

  if (!platform::ReplaceFileAtomically(out.path(), page_path)) {
    const std::string reason = platform::LastErrorText();
    return FailedLock({{messages::kCannotReplacePage, {page_path, out.path()}}, reason});
  }
  out.Keep();
  TLockResult locked = WithStatus(TLockStatus::Locked);
  locked.site_key = plan.codec->ShareKey();
  return locked;
}

// A text page is locked under its name with ".html" appended.
TLockResult LockTextPage(const TLockRequest& request, TLockObserver& observer) {
  const std::string& page = request.page;
  const std::string html_path = page + kHtmlSuffix;
  // Moving onto an existing file would lock that file instead, and lose it.
  if (platform::PathExists(html_path)) return FailedLock({{messages::kCannotRename, {page, html_path}}, {}});
  if (!platform::RenameFile(page, html_path)) {
    const std::string reason = platform::LastErrorText();
    return FailedLock({{messages::kCannotRename, {page, html_path}}, reason});
  }
  TLockResult result = BuildLockedPage(request, html_path, true, observer);
  // The page is untouched until the last step: it goes back under its name.
  if (!result.ok() && !platform::RenameFile(html_path, page)) {
    const std::string reason = platform::LastErrorText();
    result.further.push_back({{messages::kCannotRename, {html_path, page}}, reason});
  }
  return result;
}

}  // namespace

TLockResult LockPage(const TLockRequest& request, TLockObserver& observer) {
  const std::string& page = request.page;
  const bool text = request.text_in_any_case ? IsTextPageName(platform::FileNamePart(page))
                                             : platform::FileExtension(page) == kTextExtension;
  TLockResult result;
  // An empty password would encode nothing at all; the callers never pass
  // one, and the engine refuses it too.
  if (request.password.Typed().empty()) {
    result = FailedLock({{messages::kPasswordNotEntered, {}}, {}});
  } else if (text) {
    result = LockTextPage(request, observer);
  } else {
    result = BuildLockedPage(request, page, false, observer);
  }
  result.locked_page = text ? page + kHtmlSuffix : page;
  return result;
}
