// Unlocking from the terminal: `zendrel unlock` and zendrel-unlock alike.
#pragma once

#include <string>

#include "app/terminal/arguments.h"

// Reads the password from the command's source (asked once at a prompt),
// unlocks operands[0] into operands[1], and says any failure on standard
// error as "<program>: <message>". `argument_utf8` is the UTF-8 form of a
// password given as an argument (Windows reads it from the wide command
// line), empty when there is none. Returns 0 when the page was written, 1
// otherwise.
int RunUnlockCommand(const std::string& program, const TCliCommand& command,
                     const std::string& argument_utf8 = {});
