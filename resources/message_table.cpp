#include "resources/message_table.h"

namespace messages {

std::string Format(const char* message, const std::vector<std::string>& arguments) {
  // Only "%s" is a place; the arguments are paths and may hold "%" themselves,
  // so no printf-style formatting is used.
  std::string out;
  auto next = arguments.begin();
  for (const char* c = message; *c; ++c) {
    if (c[0] == '%' && c[1] == 's' && next != arguments.end()) {
      out += *next++;
      ++c;
    } else {
      out += *c;
    }
  }
  return out;
}

std::string Format(const char* message, std::initializer_list<std::string> arguments) {
  return Format(message, std::vector<std::string>(arguments));
}

std::string FormatWithReason(const char* message, const std::vector<std::string>& arguments,
                             const std::string& reason) {
  const std::string text = Format(message, arguments);
  return reason.empty() ? text : text + "\n" + reason;
}

}  // namespace messages
