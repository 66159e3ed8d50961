// Start-up and shutdown of error reporting: the stack capture at every raise
// and the fatal-error reporter as the application's exception event.
#pragma once

#include <exception>

// Installs the stack capture, then the reporter. Call once at start-up.
void InstallErrorReporting();

// Removes them again, in reverse order. Call once at shutdown.
void RemoveErrorReporting();

// Records an exception that escaped batch mode (outside any window) in the
// error log, with its stack trace.
void LogEscapedException(const std::exception& error);
