// The usage message and batch mode: one lock from four command-line
// arguments.
#pragma once

#include <string>
#include <vector>

#include "engine/template_library.h"

// Exit codes of the process.
inline constexpr int kExitLocked = 0;
inline constexpr int kExitNotLocked = 1;
inline constexpr int kExitUsage = 2;

// Shows the usage message box.
void ShowUsage();

// Locks with the arguments in command-line order: template name (in
// `templates`), page, backup file, password. `utf8_arguments`, when they
// split as `arguments` do, give a strong template the password as UTF-8 (no
// character lost to the ANSI code page); the XOR block takes the typed
// bytes. Asks the backup question and shows the lock's problems in message
// boxes, then "Locked page was not created" when the lock did not succeed.
// True when the page was locked.
bool RunBatch(const std::vector<std::string>& arguments, const TTemplateLibrary& templates,
              const std::vector<std::string>& utf8_arguments = {});
