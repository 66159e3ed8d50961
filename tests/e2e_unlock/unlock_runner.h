// Runs the built zendrel-unlock as a process and collects its exit code,
// standard error and standard output.
#pragma once

#include <string>
#include <vector>

struct UnlockRun {
  int exit_code = -1;
  std::string errors;
  // Standard output.
  std::string output;
};

// The built program's path as this platform spells it.
std::string UnlockProgram();

// Runs `program` with `arguments` (each one argument) and waits for it.
UnlockRun RunUnlock(const std::string& program, const std::vector<std::string>& arguments);
