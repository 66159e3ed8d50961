// The commands of the terminal program, each run after its command line was
// parsed. Each returns the exit code: 0 every page locked, 1 nothing
// written (its message said why on standard error).
#pragma once

#include <string>

#include "app/terminal/arguments.h"
#include "app/common/start_up.h"
#include "engine/password.h"

// What every command needs besides its command line.
struct TCliContext {
  // The name the program goes by in its messages ("zendrel").
  std::string program;
  TStartUp start_up;
};

// Writes "<program>: <text>" and a line break to standard error.
void SayError(const TCliContext& context, const std::string& text);

// Finds the command's template, warns when it only hides the source, and
// reads the password: the steps both commands begin with. False (after
// saying why) when the command must stop with exit code 1.
struct TCliPreparation {
  TTemplate chosen;
  TPassword password = "";
  bool strong = false;
};
bool PrepareLock(const TCliContext& context, const TCliCommand& command, TCliPreparation* prepared);

int RunLockCommand(const TCliContext& context, const TCliCommand& command);
int RunSiteCommand(const TCliContext& context, const TCliCommand& command);
// zendrel keys: 0 the keyring changed (or listed), 1 nothing changed.
int RunKeysCommand(const TCliContext& context, const TCliCommand& command);
