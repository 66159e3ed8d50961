#include "app/common/command_line.h"

std::vector<std::string> SplitCommandLine(const std::string& command_line) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t n = command_line.size();
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (i < n) {
    while (i < n && blank(command_line[i])) ++i;
    if (i == n) break;
    std::string argument;
    bool quoted = false;
    for (; i < n && (quoted || !blank(command_line[i])); ++i) {
      if (command_line[i] == '"') {
        quoted = !quoted;
      } else {
        argument += command_line[i];
      }
    }
    if (!argument.empty()) arguments.push_back(argument);
  }
  return arguments;
}
