// zendrel-unlock: turns a locked page back into the page's exact bytes,
// without a browser. A console program on both systems; `zendrel unlock`
// does the same from the terminal program.
#include <string>

#include "app/terminal/arguments.h"
#include "app/common/command_line.h"
#include "app/terminal/unlock_command.h"
#include "platform/core_dumps.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

int main(int argc, char** argv) {
  platform::KeepOutOfCoreDumps();
  // Split by the C runtime, as zendrel-unlock always has been.
  const TCliParse parse = ParseUnlockArguments({argv + 1, argv + argc});
  if (!parse.ok) {
    platform::WriteStandardError("zendrel-unlock: " + parse.error + "\n" + messages::kUnlockUsage);
    return 2;
  }
  switch (parse.command.action) {
    case TCliAction::Help:
      platform::WriteStandardOutput(messages::kUnlockUsage);
      return 0;
    case TCliAction::Version:
      platform::WriteStandardOutput(messages::kUnlockVersion);
      return 0;
    default:
      break;
  }
  std::string argument_utf8;
  if (parse.command.password_source == TPasswordSource::Argument) {
    platform::WriteStandardError(messages::Format(messages::kPasswordArgumentWarning, {"zendrel-unlock"}));
    // Windows: the same command line read wide, so that a password outside
    // the ANSI code page keeps every character.
    const TCliParse wide = ParseUnlockArguments(RuntimeArgumentsUtf8(argc, argv));
    if (wide.ok && wide.command.password_source == TPasswordSource::Argument)
      argument_utf8 = wide.command.password_from;
  }
  return RunUnlockCommand("zendrel-unlock", parse.command, argument_utf8);
}
