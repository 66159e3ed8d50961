// Runs the built terminal program (zendrel; zendrel-cli.exe on Windows) as
// a process, with no terminal: standard input from given text, standard
// output and standard error collected apart.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct CliRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

struct CliInput {
  // Standard input's bytes; empty: an empty standard input.
  std::string standard_input;
  // Variables added to the program's environment.
  std::vector<std::pair<std::string, std::string>> environment;
};

// The built program's path as this platform spells it.
std::string CliProgram();

// The build tree's templates folder (Light, Dark, Classic, Source Hide) as
// this platform spells it.
std::string BuiltTemplates();

// Starts `program` with `arguments` (each passed as one argument) in the
// folder `cwd` and waits for its end.
CliRun RunCli(const std::string& program, const std::vector<std::string>& arguments, const std::string& cwd,
              const CliInput& input = {});
