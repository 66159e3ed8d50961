// The fatal-error reporter: the application's exception event. Every
// exception that escapes a window or dialog handler is logged with the stack
// trace of its raise and shown in the "Application error" dialog, from which
// the report can be mailed, the program continued or terminated.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class TAppExceptionHandler {
 public:
  // Builds the report, appends the log entry, then either shows an
  // EAssertionFailed in the application's standard message box, or shows the
  // error dialog and ends the process with exit code 1 when the user chose
  // Terminate. Returns to the caller (the message loop goes on) otherwise.
  void ReportFatalException(const std::string& sender_class, const std::exception& error);
};

// The dialog's message: what happened, who was dispatching, and where the
// exception was logged. Lines are separated by a single LF.
std::string FatalErrorMessage(const std::string& sender_class, const std::string& error_class,
                              const std::string& error_message, const std::string& log_path);

// The modal "Application error" dialog (dialog resource 101 of the program)
// over `parent` (0 for none): 1 = terminate, 0 = continue, -1 = the dialog
// failed or could not be shown (always -1 where there is no window system).
int ShowErrorDialog(std::intptr_t parent, const std::string& message, const std::string& report);

// The program's currently active window; 0 when there is none.
std::intptr_t ActiveProgramWindow();

// Ends the process at once with `exit_code`: no finalisation, no saving.
[[noreturn]] void TerminateAtOnce(int exit_code);
