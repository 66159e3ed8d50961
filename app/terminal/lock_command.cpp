// zendrel lock: one page in place, as batch mode locks it, with the backup
// question asked on the terminal and Ctrl-C stopping the lock cleanly.

#include "app/common/lock_messages.h"
#include "app/terminal/commands.h"
#include "app/terminal/progress_display.h"
#include "app/common/share_link.h"
#include "app/terminal/terminal_observer.h"
#include "app/window/wizard_paths.h"
#include "engine/lock_page.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

// The wizard's check: a backup in the page's folder, or below it, is
// published with the page.
bool BackupInPublishedFolder(const std::string& page, const std::string& backup) {
  const std::string page_full = platform::FullPath(page);
  const std::string folder = platform::FolderPart(backup);
  const std::string folder_full = platform::FullPath(folder.empty() ? "." : folder);
  if (page_full.empty() || folder_full.empty()) return false;
  return BackupInsidePageFolder(page_full,
                                folder_full + platform::PathSeparator() + platform::FileNamePart(backup));
}

}  // namespace

int RunLockCommand(const TCliContext& context, const TCliCommand& command) {
  TCliPreparation prepared;
  if (!PrepareLock(context, command, &prepared)) return 1;
  const std::string& page = command.operands[0];
  const std::string& backup = command.operands[1];
  // Locking a link would put the locked page in the link's place and leave
  // the file it leads to in clear.
  if (platform::IsLink(page)) {
    const std::string target = platform::FullPath(page);
    const std::string named = target.empty() ? std::string("a missing file") : target;
    SayError(context, messages::Format(messages::kPageIsALink, {page, named, named}));
    return 1;
  }
  if (BackupInPublishedFolder(page, backup)) SayError(context, messages::kBackupInPageFolder);
  TProgressDisplay progress(platform::IsTerminal(platform::StandardStream::Error) && !command.quiet);
  TTerminalObserver observer(command.yes, progress);
  TLockRequest request{prepared.chosen, page, backup, prepared.password};
  request.text_in_any_case = true;
  const TLockResult result = LockPage(request, observer);
  progress.Clear();
  switch (result.status) {
    case TStatus::Done:
      break;
    case TStatus::Declined:
      if (platform::Interrupted())
        SayError(context, messages::kInterrupted);
      else if (observer.no_terminal())
        SayError(context, messages::Format(messages::kNoTerminalToAsk, {backup}));
      else
        SayError(context, messages::Format(messages::kBackupKept, {backup}));
      return 1;
    case TStatus::Cancelled:
      SayError(context, messages::kInterrupted);
      return 1;
    case TStatus::Failed:
      for (const std::string& text : ProblemTexts(result)) SayError(context, text);
      SayError(context, messages::kLockedPageNotCreated);
      return 1;
  }
  std::string out = result.locked_page + "\n" + backup + "\n";
  // The link names the page in the folder it is published in.
  if (!command.share_url.empty())
    out += ShareLink(command.share_url, platform::FileNamePart(result.locked_page), result.site_key) + "\n";
  platform::WriteStandardOutput(out);
  return 0;
}
