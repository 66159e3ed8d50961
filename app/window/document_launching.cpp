#include "app/window/document_launching.h"

#include <algorithm>

#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

const char kHtmlOpenCommandKey[] = "htmlfile\\shell\\open\\command";
// Commands and the shell answer 32 or more when they started.
constexpr int kStarted = 32;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Where the first placeholder for the document ("%1", or "%L" for its long
// name, which the shell also accepts as "%l") stands in `command`; npos when
// there is none.
std::size_t PlaceholderAt(const std::string& command) {
  for (std::size_t at = command.find('%'); at != std::string::npos; at = command.find('%', at + 1)) {
    if (at + 1 < command.size() &&
        (command[at + 1] == '1' || command[at + 1] == 'L' || command[at + 1] == 'l'))
      return at;
  }
  return std::string::npos;
}

}  // namespace

std::string BrowserCommandLine(const std::string& command, const std::string& path) {
  const std::size_t at = PlaceholderAt(command);
  if (at == std::string::npos) return command + " " + Quoted(path);
  // Inside quotes the command already has, the path goes in bare.
  const bool quoted =
      std::count(command.begin(), command.begin() + static_cast<std::ptrdiff_t>(at), '"') % 2 == 1;
  return command.substr(0, at) + (quoted ? path : Quoted(path)) + command.substr(at + 2);
}

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
  if (platform::StartCommand(BrowserCommandLine(GetBrowserCommand(), path)) >= kStarted) return;
  platform::StartCommand(platform::LastResortOpener() + " " + Quoted(path));
}

void OpenManual(const TStartUp& start_up) {
  OpenDocument(start_up.app_dir + "Manual" + platform::PathSeparator() + "index.html");
}

void PreviewTemplate(const TTemplateLibrary& templates, const std::string& name) {
  OpenDocument(templates.Folder() + name + platform::PathSeparator() + kTemplateStartPage);
}
