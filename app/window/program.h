// The program's three roads: the usage message, one batch lock, or the
// wizard window.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Runs the program with its arguments (without its own name) and returns
// the process exit code: 0 locked (or usage asked for, or the wizard
// closed), 1 not locked, 2 a malformed command line. `utf8_arguments` are
// the same arguments as UTF-8 (ProgramArgumentsUtf8), or empty.
int ZendrelMain(const std::vector<std::string>& arguments,
                const std::vector<std::string>& utf8_arguments = {});

// Runs one road of the program. An exception that escapes it is logged and
// shown in an "Error" box, and the answer is then 1 (not locked).
int RunProtected(const std::function<int()>& road);

// Installs the stack capture, then the fatal-error reporter as the
// application's exception event. Call once at start-up.
void InstallErrorReporting();

// Removes them again, in reverse order. Call once at shutdown.
void RemoveErrorReporting();
