// zendrel lock: one page in place, as batch mode locks it, with the backup
// question asked on the terminal and Ctrl-C stopping the lock cleanly.

#include "app/terminal/commands.h"
#include "app/common/lock_messages.h"
#include "app/terminal/progress_display.h"
#include "app/terminal/share_link.h"
#include "app/window/wizard_paths.h"
#include "engine/lock_page.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

class TTerminalLockObserver : public TLockObserver {
 public:
  TTerminalLockObserver(bool yes, TProgressDisplay& progress) : yes_(yes), progress_(progress) {}

  bool ConfirmReplaceBackup(const std::string& backup_path) override {
    if (yes_) return true;
    progress_.Clear();
    std::string answer;
    const std::string question = messages::Format(messages::kBackupExists, {backup_path}) + " [y/N] ";
    switch (platform::ReadTerminalLine(question, true, &answer)) {
      case platform::TerminalRead::Ok:
        break;
      case platform::TerminalRead::NoTerminal:
        no_terminal_ = true;
        return false;
      case platform::TerminalRead::Interrupted:
      case platform::TerminalRead::Ended:
        return false;
    }
    while (!answer.empty() && (answer.back() == ' ' || answer.back() == '\r')) answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
  }

  void Warn(const TLockMessage& warning) override {
    progress_.Clear();
    platform::WriteStandardError(FormatMessage(warning) + "\n");
  }

  void Progress(std::uint64_t done, std::uint64_t total) override {
    progress_.Show(done == total ? 1 : 0, 1, done, total);
  }

  bool Cancelled() override { return platform::Interrupted(); }

  bool no_terminal() const { return no_terminal_; }

 private:
  bool yes_;
  TProgressDisplay& progress_;
  bool no_terminal_ = false;
};

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
  TTerminalLockObserver observer(command.yes, progress);
  TLockRequest request{prepared.chosen, page, backup, prepared.password};
  request.text_in_any_case = true;
  const TLockResult result = LockPage(request, observer);
  progress.Clear();
  switch (result.status) {
    case TLockStatus::Locked:
      break;
    case TLockStatus::Declined:
      if (platform::Interrupted())
        SayError(context, messages::kInterrupted);
      else if (observer.no_terminal())
        SayError(context, messages::Format(messages::kNoTerminalToAsk, {backup}));
      else
        SayError(context, messages::Format(messages::kBackupKept, {backup}));
      return 1;
    case TLockStatus::Cancelled:
      SayError(context, messages::kInterrupted);
      return 1;
    case TLockStatus::Failed:
      SayError(context, LockFailureText(result.message, result.reason));
      for (const TLockFailure& failure : result.further)
        if (failure.message.text) SayError(context, LockFailureText(failure.message, failure.reason));
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
