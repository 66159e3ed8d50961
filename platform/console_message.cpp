// A message box on a console: the caption and text on standard error, and a
// question answered by a line of standard input.
#include <cctype>
#include <iostream>

#include "platform/terminal.h"

namespace platform {

MessageAnswer ShowConsoleMessage(const MessageRequest& request) {
  std::cerr << request.caption << ": " << request.text << std::endl;
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  std::cerr << "[y/N] " << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) return MessageAnswer::No;
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  for (auto& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return line == "y" || line == "yes" ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace platform
