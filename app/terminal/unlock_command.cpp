#include "app/terminal/unlock_command.h"

#include "app/terminal/password_reading.h"
#include "engine/page_unlock.h"
#include "platform/terminal.h"
#include "resources/message_table.h"

int RunUnlockCommand(const std::string& program, const TCliCommand& command,
                     const std::string& argument_utf8) {
  TPasswordRead read = ReadPassword(command.password_source, command.password_from, false);
  if (read.status != TPasswordStatus::Ok) {
    platform::WriteStandardError(program + ": " + read.error + "\n");
    return 1;
  }
  if (read.utf8.empty()) read.utf8 = argument_utf8;
  const TPassword password = read.utf8.empty() ? TPassword(std::move(read.password))
                                               : TPassword(std::move(read.password), std::move(read.utf8));
  const TUnlockResult result = UnlockPage(command.operands[0], command.operands[1], password);
  if (result.ok()) return 0;
  const TLockMessage& problem = result.problem.message;
  platform::WriteStandardError(program + ": " + messages::Format(problem.text, problem.arguments) + "\n");
  return 1;
}
