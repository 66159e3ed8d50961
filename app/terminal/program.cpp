#include "app/terminal/program.h"

#include <exception>

#include "app/window/batch_mode.h"
#include "app/terminal/arguments.h"
#include "app/terminal/commands.h"
#include "app/window/program.h"
#include "app/common/template_choice.h"
#include "app/terminal/unlock_command.h"
#include "app/window/wizard.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

std::string Usage(const std::string& program) {
  return messages::Format(messages::kTerminalUsage, std::vector<std::string>(6, program));
}

// The four-argument form: batch mode with its own texts and exit codes, its
// messages and its question on the console, after one warning line for a
// template that only hides the source.
int RunTerminalBatch(const std::vector<std::string>& arguments) {
  TTemplate chosen;
  TLockMessage unused;
  if (InitApplication().templates.Find(arguments[0], &chosen, &unused) && WarnsAsSourceHiding(chosen))
    platform::WriteStandardError(messages::Format(messages::kXorTemplateWarning, {chosen.name}));
  platform::ScopedMessageHandler console(&platform::ShowConsoleMessage);
  return ZendrelMain(arguments);
}

int RunCommand(const std::string& program, const TCliCommand& command) {
  platform::CatchInterrupts();
  const TCliContext context{program, InitApplication()};
  try {
    switch (command.action) {
      case TCliAction::Lock:
        return RunLockCommand(context, command);
      case TCliAction::Unlock:
        return RunUnlockCommand(program, command);
      case TCliAction::Keys:
        return RunKeysCommand(context, command);
      default:
        return RunSiteCommand(context, command);
    }
  } catch (const std::exception& error) {
    SayError(context, error.what());
  } catch (...) {
    SayError(context, messages::kUnknownException);
  }
  return kExitNotLocked;
}

}  // namespace

int TerminalMain(const std::string& program, const std::vector<std::string>& arguments) {
  const TCliParse parse = ParseCliArguments(arguments);
  if (!parse.ok) {
    platform::WriteStandardError(
        messages::Format(messages::kTerminalMalformed, {program, parse.error, program}));
    return kExitUsage;
  }
  switch (parse.command.action) {
    case TCliAction::Usage:
      platform::WriteStandardError(Usage(program));
      if (arguments.empty()) platform::WriteStandardError(std::string("\n") + WizardWhereabouts());
      return kExitUsage;
    case TCliAction::Help:
      platform::WriteStandardOutput(parse.command.keys_verb.empty()
                                        ? Usage(program)
                                        : messages::Format(messages::kKeysUsage, std::vector<std::string>(6, program)));
      return kExitLocked;
    case TCliAction::Version:
      platform::WriteStandardOutput(messages::kTerminalVersion);
      return kExitLocked;
    case TCliAction::Batch:
      return RunTerminalBatch(arguments);
    case TCliAction::Lock:
    case TCliAction::Site:
    case TCliAction::Unlock:
    case TCliAction::Keys:
      break;
  }
  return RunCommand(program, parse.command);
}
