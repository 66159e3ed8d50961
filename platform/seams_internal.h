// The system's own behind each seam; implemented once per platform.
#pragma once

#include "platform/platform.h"

namespace platform::internal {

MessageAnswer SystemShowMessage(const MessageRequest& request);
bool SystemRunFileDialog(FileDialogRequest& request);
int SystemShellOpen(const std::string& target, const std::string& verb);
int SystemStartCommand(const std::string& command_line);
bool SystemSendMail(const std::string& address, const std::string& subject, const std::string& body);

}  // namespace platform::internal
