#include "app/common/command_line.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '\0') arguments.emplace_back(argv[i]);
  }
  return arguments;
}

std::vector<std::string> ProgramArgumentsUtf8(int argc, char** argv) { return ProgramArguments(argc, argv); }

std::vector<std::string> RuntimeArgumentsUtf8(int argc, char** argv) { return {argv + 1, argv + argc}; }
