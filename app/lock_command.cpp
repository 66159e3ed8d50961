// zendrel lock: one page in place, as batch mode locks it, with the backup
// question asked on the terminal.
#include "app/cli_commands.h"
#include "app/progress_display.h"
#include "app/share_link.h"
#include "engine/lock_page.h"
#include "engine/settings.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

// The backup question on the terminal, --yes answering it; every other
// message of the lock on standard error.
class TTerminalLockAnswers {
 public:
  TTerminalLockAnswers(const TCliContext& context, bool yes, TProgressDisplay& progress)
      : context_(context), yes_(yes), progress_(progress) {}

  platform::MessageAnswer Show(const platform::MessageRequest& request) {
    progress_.Clear();
    if (request.buttons == platform::MessageButtons::Ok) {
      SayError(context_, request.text);
      return platform::MessageAnswer::Ok;
    }
    asked_ = true;
    if (yes_) return platform::MessageAnswer::Yes;
    std::string answer;
    switch (platform::ReadTerminalLine(request.text + " [y/N] ", true, &answer)) {
      case platform::TerminalRead::Ok:
        break;
      case platform::TerminalRead::NoTerminal:
        no_terminal_ = true;
        return platform::MessageAnswer::No;
      case platform::TerminalRead::Interrupted:
      case platform::TerminalRead::Ended:
        return platform::MessageAnswer::No;
    }
    while (!answer.empty() && (answer.back() == ' ' || answer.back() == '\r')) answer.pop_back();
    const bool replace =
        answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
    declined_ = !replace;
    return replace ? platform::MessageAnswer::Yes : platform::MessageAnswer::No;
  }

  bool declined() const { return declined_; }
  bool no_terminal() const { return no_terminal_; }

 private:
  const TCliContext& context_;
  bool yes_;
  TProgressDisplay& progress_;
  bool asked_ = false;
  bool declined_ = false;
  bool no_terminal_ = false;
};

// A page named *.txt is locked under its name with ".html" appended.
std::string LockedPagePath(const std::string& page) {
  const std::string txt = ".txt";
  const bool text = page.size() > txt.size() && page.compare(page.size() - txt.size(), txt.size(), txt) == 0;
  return text ? page + ".html" : page;
}

}  // namespace

int RunLockCommand(const TCliContext& context, const TCliCommand& command) {
  TCliPreparation prepared;
  if (!PrepareLock(context, command, &prepared)) return 1;
  const std::string& page = command.operands[0];
  const std::string& backup = command.operands[1];
  TProgressDisplay progress(platform::IsTerminal(platform::StandardStream::Error) && !command.quiet);
  TTerminalLockAnswers answers(context, command.yes, progress);
  platform::ScopedMessageHandler console(
      [&](const platform::MessageRequest& request) { return answers.Show(request); });
  // The lock finds its template by name in TemplatesDir.
  std::string folder = prepared.chosen.folder;
  folder.pop_back();
  TemplatesDir = platform::FolderPart(folder);
  const bool locked = LockPage(
      prepared.chosen.name, backup, page, prepared.password,
      [&](std::uint64_t done, std::uint64_t total) { progress.Show(done == total ? 1 : 0, 1, done, total); });
  progress.Clear();
  if (!locked) {
    if (platform::Interrupted())
      SayError(context, messages::kInterrupted);
    else if (answers.no_terminal())
      SayError(context, messages::Format(messages::kNoTerminalToAsk, {backup}));
    else if (answers.declined())
      SayError(context, messages::Format(messages::kBackupKept, {backup}));
    else
      SayError(context, messages::kLockedPageNotCreated);
    return 1;
  }
  std::string out = LockedPagePath(page) + "\n" + backup + "\n";
  platform::WriteStandardOutput(out);
  return 0;
}
