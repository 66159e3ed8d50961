#include "app/terminal/unlock_command.h"

#include "app/terminal/password_reading.h"
#include "app/terminal/progress_display.h"
#include "app/terminal/terminal_observer.h"
#include "engine/keyring_keys.h"
#include "engine/page_unlock.h"
#include "platform/crypto.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

int RunUnlockCommand(const std::string& program, const TCliCommand& command,
                     const std::string& argument_utf8) {
  TPasswordRead read = ReadPassword(command.password_source, command.password_from, false);
  if (read.status != TPasswordStatus::Ok) {
    platform::WriteStandardError(program + ": " + read.error + "\n");
    return 1;
  }
  if (read.utf8.empty()) read.utf8 = argument_utf8;
  TUnlockKey key;
  if (command.link) {
    // The link comes as a password does (a file, a variable, standard input
    // or the terminal without echo), never as an argument that every local
    // user could read; the whole link or only its secret.
    key.kind = TUnlockKey::TKind::LinkSecret;
    const bool ok = ShareLinkSecret(read.password, &key.secret);
    platform::Wipe(&read.password);
    if (!ok) {
      platform::WriteStandardError(program + ": " + messages::kUnlockLinkMalformed + "\n");
      return 1;
    }
  } else if (!command.keyring.empty()) {
    // The keyring's owner opens every page of the site with its content key.
    const TPassword owner = read.utf8.empty() ? TPassword(std::move(read.password))
                                              : TPassword(std::move(read.password), std::move(read.utf8));
    const TOutcome opened = OpenKeyringForUnlock(command.keyring, owner, &key);
    if (!opened.ok()) {
      const TProblem& problem = opened.problem;
      platform::WriteStandardError(
          program + ": " +
          messages::FormatWithReason(problem.message.text, problem.message.arguments, problem.reason) + "\n");
      return 1;
    }
  } else {
    key.password = read.utf8.empty() ? TPassword(std::move(read.password))
                                     : TPassword(std::move(read.password), std::move(read.utf8));
  }
  // Ctrl-C stops the unlock between writes, and no half-written page is
  // left; the progress line shows on a terminal only.
  platform::CatchInterrupts();
  TProgressDisplay progress(platform::IsTerminal(platform::StandardStream::Error));
  TTerminalObserver observer(false, progress);
  const TUnlockResult result = UnlockPage(command.operands[0], command.operands[1], key, &observer);
  progress.Clear();
  if (result.ok()) return 0;
  if (result.status == TStatus::Cancelled) {
    platform::WriteStandardError(program + ": " + messages::kInterrupted + "\n");
    return 1;
  }
  const TLockMessage& problem = result.problem.message;
  platform::WriteStandardError(program + ": " + messages::Format(problem.text, problem.arguments) + "\n");
  return 1;
}
