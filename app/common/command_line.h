// Splitting a command line into arguments.
#pragma once

#include <string>
#include <vector>

// Splits a raw command line: blanks separate arguments, double quotes group
// text with blanks (and are dropped), and an argument that comes out empty
// (written as "") is skipped, so no argument is ever empty. The program's
// own name, the first word, is included.
std::vector<std::string> SplitCommandLine(const std::string& command_line);

// The program's arguments, without its own name: split from the raw command
// line on Windows, so that the C runtime's rules play no part; taken from
// argv elsewhere, where the shell has split them, with empty ones skipped.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The same arguments as UTF-8: on Windows split from the wide command line
// (GetCommandLineW), so that no character outside the ANSI code page is
// lost; elsewhere the arguments as the terminal sent them, which already are.
std::vector<std::string> ProgramArgumentsUtf8(int argc, char** argv);

// The arguments as the C runtime splits them (argv without the program's
// name, empty ones kept), in UTF-8: on Windows split from the wide command
// line by the same rules (CommandLineToArgvW); elsewhere argv as it is.
std::vector<std::string> RuntimeArgumentsUtf8(int argc, char** argv);
