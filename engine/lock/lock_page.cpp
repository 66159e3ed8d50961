#include "engine/lock_page.h"

#include <cstdint>

#include "engine/lock/exclusive_file.h"
#include "engine/lock/lock_plan.h"
#include "engine/lock/locked_page_writer.h"
#include "engine/lock/page_check.h"
#include "engine/lock/template_installation.h"
#include "engine/site/page_patterns.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

const char kTextExtension[] = ".txt";

TLockResult WithStatus(TStatus status) {
  TLockResult result;
  result.status = status;
  return result;
}

// A template file landing on the backup would leave no copy of the page.
TProblem TemplateWouldReplaceBackup(const std::string& template_folder, const std::string& page_path,
                                    const std::string& backup_path) {
  for (const auto& destination : TemplateDestinations(template_folder, page_path)) {
    if (destination == page_path) continue;  // the start page does not land there
    if (destination == backup_path || platform::SameFile(destination, backup_path))
      return {{messages::kBackupInTemplate, {backup_path, destination}}, {}};
  }
  return {};
}

TProblem CheckPageAndBackup(const TLockPlan& plan, const std::string& page_path,
                            const std::string& backup_path) {
  const TValueOr<std::uint64_t> size = LockablePageSize(page_path);
  if (!size.ok()) return size.problem;
  if (backup_path == page_path || backup_path == page_path + kLockTemporarySuffix ||
      platform::SameFile(backup_path, page_path))
    return {{messages::kBackupIsThePage, {backup_path, page_path}}, {}};
  if (TProblem problem = TemplateWouldReplaceBackup(plan.template_.folder, page_path, backup_path))
    return problem;
  if (TProblem problem = CheckPageBytes(plan, page_path, size.value)) return problem;
  // Replacing the backup with a locked page would throw away the only copy
  // of the original: the usual way there is running a lock a second time.
  if (platform::PathExists(backup_path) && HoldsPageBlock(page_path))
    return {{messages::kBackupOfLockedPage, {page_path, backup_path}}, {}};
  return {};
}

// The backup goes through a temporary file beside it, flushed, and replaces
// the old backup in one step: a failed copy leaves the old backup as it was.
TProblem MakeBackup(const std::string& page_path, const std::string& backup_path) {
  const std::string temporary = backup_path + kLockTemporarySuffix;
  if (platform::PathExists(temporary)) return {{messages::kTemporaryFileExists, {temporary}}, {}};
  if (!platform::CopyToNewFile(page_path, temporary))
    return {{messages::kCannotCopyToBackup, {page_path, backup_path}}, platform::LastErrorText()};
  if (!platform::ReplaceFileAtomically(temporary, backup_path)) {
    TProblem problem{{messages::kCannotCopyToBackup, {page_path, backup_path}}, platform::LastErrorText()};
    platform::RemoveFile(temporary);
    return problem;
  }
  return {};
}

// Does the work for LockPage on a page path that is already final.
TLockResult BuildLockedPage(const TLockRequest& request, const std::string& page_path, bool wrap,
                            TRunObserver& observer) {
  const TValueOr<TLockPlan> planned = PlanLock(request.template_, request.password);
  if (!planned.ok()) return Failed(planned.problem);
  const TLockPlan& plan = planned.value;

  // The temporary page, created exclusively, is the guard against a second
  // lock of the same page: the page's checks below read a page that no
  // other lock can replace meanwhile.
  TExclusiveFile out(page_path + kLockTemporarySuffix);
  if (TProblem problem = out.Create()) {
    if (platform::PathExists(out.path())) problem = {{messages::kTemporaryFileExists, {out.path()}}, {}};
    return Failed(std::move(problem));
  }
  const std::string& backup = request.backup;
  if (TProblem problem = CheckPageAndBackup(plan, page_path, backup)) return Failed(std::move(problem));
  // The locked page is readable by no more people than the page, from its
  // first byte on.
  if (!platform::CopyPermissions(page_path, out.path()))
    return Failed({{messages::kCannotCreateFile, {out.path()}}, platform::LastErrorText()});

  if (platform::PathExists(backup) && !observer.ConfirmReplace(backup)) return WithStatus(TStatus::Declined);
  if (observer.Cancelled()) return WithStatus(TStatus::Cancelled);
  // No copy of the page, no lock: the page must never be replaced while its
  // bytes exist nowhere else.
  if (TProblem problem = MakeBackup(page_path, backup)) return Failed(std::move(problem));
  TTemplateInstallation installed = InstallTemplate(plan.template_.folder, page_path, false, observer);
  if (!installed.ok()) return std::move(installed).Outcome();
  // The block is read from the backup, the copy no other program has open.
  TOutcome written = WriteLockedPage(plan, backup, wrap, out, observer);
  if (!written.ok()) return written;
  if (observer.Cancelled()) return WithStatus(TStatus::Cancelled);

  if (!platform::ReplaceFileAtomically(out.path(), page_path))
    return Failed({{messages::kCannotReplacePage, {page_path, out.path()}}, platform::LastErrorText()});
  out.Keep();
  TLockResult locked;
  locked.site_key = plan.codec->ShareKey();
  return locked;
}

// A text page is locked under its name with ".html" appended.
TLockResult LockTextPage(const TLockRequest& request, TRunObserver& observer) {
  const std::string& page = request.page;
  const std::string html_path = page + kHtmlSuffix;
  // Moving onto an existing file would lock that file instead, and lose it.
  if (platform::PathExists(html_path)) return Failed({{messages::kCannotRename, {page, html_path}}, {}});
  if (!platform::RenameFile(page, html_path))
    return Failed({{messages::kCannotRename, {page, html_path}}, platform::LastErrorText()});
  TLockResult result = BuildLockedPage(request, html_path, true, observer);
  // The page is untouched until the last step: it goes back under its name.
  if (!result.ok() && !platform::RenameFile(html_path, page))
    result.further.push_back({{messages::kCannotRename, {html_path, page}}, platform::LastErrorText()});
  return result;
}

}  // namespace

TLockResult LockPage(const TLockRequest& request, TRunObserver& observer) {
  const std::string& page = request.page;
  const bool text = request.text_in_any_case ? IsTextPageName(platform::FileNamePart(page))
                                             : platform::FileExtension(page) == kTextExtension;
  TLockResult result;
  // An empty password would encode nothing at all; the callers never pass
  // one, and the engine refuses it too.
  if (request.password.Typed().empty()) {
    result = Failed({{messages::kPasswordNotEntered, {}}, {}});
  } else if (text) {
    result = LockTextPage(request, observer);
  } else {
    result = BuildLockedPage(request, page, false, observer);
  }
  result.locked_page = text ? page + kHtmlSuffix : page;
  return result;
}
