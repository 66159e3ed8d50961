#include "app/document_launching.h"

#include "engine/settings.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

const char kHtmlOpenCommandKey[] = "htmlfile\\shell\\open\\command";
// Commands and the shell answer 32 or more when they started.
constexpr int kStarted = 32;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

std::string GetBrowserCommand() {
  std::string command;
  if (platform::EnvironmentBrowser(&command)) return command;
  switch (platform::ReadClassesRootDefault(kHtmlOpenCommandKey, &command)) {
    case platform::RegistryRead::NoKey:
      return "explorer";
    case platform::RegistryRead::NotAString:
      // The unnamed value's name is empty.
      throw ERegistryException(messages::Format(messages::kInvalidDataType, {""}));
    case platform::RegistryRead::Ok:
      break;
  }
  return command;
}

void OpenDocument(const std::string& path) {
  if (platform::ShellOpen(path, "open") >= kStarted) return;
  // The command is used as read: placeholders such as %1 stay, and the
  // quoted path follows the whole command.
  if (platform::StartCommand(GetBrowserCommand() + " " + Quoted(path)) >= kStarted) return;
  platform::StartCommand(platform::LastResortOpener() + " " + Quoted(path));
}

void OpenManual() { OpenDocument(AppDir + "Manual" + platform::PathSeparator() + "index.html"); }

void PreviewTemplate(const std::string& name) {
  OpenDocument(TemplatesDir + name + platform::PathSeparator() + "index.html");
}
