// The replaceable half of the seams: which handler runs now. The real
// handlers live in the platform implementation files.
#include <utility>

#include "platform/platform.h"
#include "platform/seams_internal.h"

namespace platform {
namespace {

MessageHandler g_message_handler;
ShellOpenHandler g_shell_open_handler;
FileDialogHandler g_file_dialog_handler;
StartCommandHandler g_start_command_handler;

}  // namespace

MessageAnswer ShowMessage(const MessageRequest& request) {
  if (g_message_handler) return g_message_handler(request);
  return internal::SystemShowMessage(request);
}

bool RunFileDialog(FileDialogRequest& request) {
  if (g_file_dialog_handler) return g_file_dialog_handler(request);
  return internal::SystemRunFileDialog(request);
}

int ShellOpen(const std::string& target, const std::string& verb) {
  if (g_shell_open_handler) return g_shell_open_handler(target, verb);
  return internal::SystemShellOpen(target, verb);
}

int StartCommand(const std::string& command_line) {
  if (g_start_command_handler) return g_start_command_handler(command_line);
  return internal::SystemStartCommand(command_line);
}

ScopedMessageHandler::ScopedMessageHandler(MessageHandler handler)
    : previous_(std::exchange(g_message_handler, std::move(handler))) {}

ScopedMessageHandler::~ScopedMessageHandler() { g_message_handler = std::move(previous_); }

ScopedFileDialogHandler::ScopedFileDialogHandler(FileDialogHandler handler)
    : previous_(std::exchange(g_file_dialog_handler, std::move(handler))) {}

ScopedFileDialogHandler::~ScopedFileDialogHandler() { g_file_dialog_handler = std::move(previous_); }

ScopedShellHandler::ScopedShellHandler(ShellOpenHandler open, StartCommandHandler start)
    : previous_open_(std::exchange(g_shell_open_handler, std::move(open))),
      previous_start_(std::exchange(g_start_command_handler, std::move(start))) {}

ScopedShellHandler::~ScopedShellHandler() {
  g_shell_open_handler = std::move(previous_open_);
  g_start_command_handler = std::move(previous_start_);
}

}  // namespace platform
