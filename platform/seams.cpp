// The replaceable half of the seams: which handler runs now. The real
// handlers live in the platform implementation files.
#include "platform/platform.h"
#include "platform/seams_internal.h"

namespace platform {

template <class Handler>
Handler& SeamSlot() {
  static Handler slot;
  return slot;
}

template MessageHandler& SeamSlot<MessageHandler>();
template FileDialogHandler& SeamSlot<FileDialogHandler>();
template ShellOpenHandler& SeamSlot<ShellOpenHandler>();
template StartCommandHandler& SeamSlot<StartCommandHandler>();
template MailHandler& SeamSlot<MailHandler>();

MessageAnswer ShowMessage(const MessageRequest& request) {
  if (const auto& handler = SeamSlot<MessageHandler>()) return handler(request);
  return internal::SystemShowMessage(request);
}

bool RunFileDialog(FileDialogRequest& request) {
  if (const auto& handler = SeamSlot<FileDialogHandler>()) return handler(request);
  return internal::SystemRunFileDialog(request);
}

int ShellOpen(const std::string& target, const std::string& verb) {
  if (const auto& handler = SeamSlot<ShellOpenHandler>()) return handler(target, verb);
  return internal::SystemShellOpen(target, verb);
}

int StartCommand(const std::string& command_line) {
  if (const auto& handler = SeamSlot<StartCommandHandler>()) return handler(command_line);
  return internal::SystemStartCommand(command_line);
}

bool SendMail(const std::string& address, const std::string& subject, const std::string& body) {
  if (const auto& handler = SeamSlot<MailHandler>()) return handler(address, subject, body);
  return internal::SystemSendMail(address, subject, body);
}

}  // namespace platform
