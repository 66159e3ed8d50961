#include "app/terminal/terminal_observer.h"

#include "app/common/lock_messages.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "resources/message_table.h"

bool TTerminalObserver::ConfirmReplace(const std::string& path) {
  if (yes_) return true;
  progress_.Clear();
  std::string answer;
  const std::string question = messages::Format(messages::kBackupExists, {path}) + " [y/N] ";
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

void TTerminalObserver::Warn(const TLockMessage& warning) {
  progress_.Clear();
  platform::WriteStandardError(FormatMessage(warning) + "\n");
}

void TTerminalObserver::Progress(const TProgress& progress) {
  if (progress.pages_total == 0) {
    progress_.Show(progress.bytes_done == progress.bytes_total ? 1 : 0, 1, progress.bytes_done,
                   progress.bytes_total);
  } else {
    progress_.Show(progress.pages_done, progress.pages_total, progress.bytes_done, progress.bytes_total);
  }
}

bool TTerminalObserver::Cancelled() { return platform::Interrupted(); }
