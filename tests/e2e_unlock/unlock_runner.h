// Runs the built zendrel-unlock (or the terminal program's unlock) as a
// process and collects its exit code, standard error and standard output.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct UnlockRun {
  int exit_code = -1;
  std::string errors;
  // Standard output.
  std::string output;
};

// What the program is given besides its arguments.
struct UnlockInput {
  std::string stdin_file;  // empty: this process's standard input
  std::vector<std::pair<std::string, std::string>> environment;
  // Windows: the arguments are UTF-8 and reach the program as such in its
  // wide command line (otherwise they are in the ANSI code page).
  bool utf8_arguments = false;
};

// The built programs' paths as this platform spells them.
std::string UnlockProgram();
std::string TerminalProgram();

// Runs `program` with `arguments` (each one argument) and waits for it.
UnlockRun RunUnlock(const std::string& program, const std::vector<std::string>& arguments,
                    const UnlockInput& input = {});
