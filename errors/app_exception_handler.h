// The fatal-error reporter. Every exception that escapes a window or dialog
// handler reaches it through the application's exception event (the program
// wires it there at start-up): it is logged with the stack trace of its
// raise and shown in the "Application error" dialog, from which the report
// can be mailed, the program continued or terminated.
#pragma once

#include <exception>
#include <string>

// Builds the report and appends the log entry, then either shows an
// EAssertionFailed in the standard "Error" box, or shows the error dialog and
// ends the process with exit code 1 when the user chose Terminate. Returns to
// the caller (the message loop goes on) otherwise.
void ReportFatalException(const std::string& sender_class, const std::exception& error);

// Records an exception that escaped batch mode (outside any window) in the
// error log, with its stack trace.
void LogEscapedException(const std::exception& error);

// The dialog's message: what happened, who was dispatching, and where the
// exception was logged. Lines are separated by a single LF.
std::string FatalErrorMessage(const std::string& sender_class, const std::string& error_class,
                              const std::string& error_message, const std::string& log_path);
