// Runs the real program as a process and collects what it shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ProgramRun {
  int exit_code = -1;
  // "caption|text" of every message the program showed, in order.
  std::vector<std::string> messages;
  // The most memory the process ever held (peak resident set; peak working
  // set on Windows), in bytes; 0 when the system did not say.
  std::uint64_t peak_memory = 0;
  // Linux: the whole of standard error (the messages are read from it).
  std::string standard_error;
};

// The built program's path as this platform spells it.
std::string BuiltProgram();

// Starts `program` with `arguments` (each passed as one argument) in the
// folder `cwd`, answers every message box with its default button (OK, or
// the answer in `answer_yes` for a Yes/No question), and waits for the end.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& cwd, bool answer_yes = false);
