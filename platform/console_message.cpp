// A message box on a console: the caption and text on standard error, and a
// question answered by a line of standard input.
#include <cctype>
#include <iostream>

#include "platform/terminal.h"

namespace platform {

MessageAnswer ShowConsoleMessage(const MessageRequest& request) {
  // Byte for byte, as the program's other messages: "\n" stays a line feed
  // on Windows too.
  WriteStandardError(request.caption + ": " + request.text + "\n");
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  WriteStandardError("[y/N] ");
  std::string line;
  if (!std::getline(std::cin, line)) return MessageAnswer::No;
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  for (auto& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return line == "y" || line == "yes" ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace platform
