// The terminal program: `zendrel` on Linux, `zendrel-cli.exe` on Windows
// beside the window's zendrel.exe. It speaks on standard output and
// standard error only.
#pragma once

#include <string>
#include <vector>

// Runs the terminal program with its arguments (without its own name);
// `program` is the name its messages and usage give it. Returns the exit
// code: 0 every page locked (or the help or version asked for), 1 nothing
// written, 2 a malformed command line. The four-argument form runs batch mode
// as the Linux build always did, its messages on standard error.
int TerminalMain(const std::string& program, const std::vector<std::string>& arguments);
