#include "errors/app_exception_handler.h"

#include "app/application.h"
#include "errors/error_classes.h"
#include "errors/error_log.h"
#include "errors/stack_capture.h"

std::string FatalErrorMessage(const std::string& sender_class, const std::string& error_class,
                              const std::string& error_message, const std::string& log_path) {
  return "An application fatal error has occurred!\nException: " + error_message + "\n" +
         "Sent by: " + sender_class + " (" + error_class + ")\n" + "The exception has been logged to " +
         log_path;
}

void TAppExceptionHandler::ReportFatalException(const std::string& sender_class,
                                                const std::exception& error) {
  RestoreStackGuard();
  const std::string error_class = ExceptionClassName(error);
  const std::string message = error.what();
  const std::string report = LogException(error_class, message);
  if (dynamic_cast<const EAssertionFailed*>(&error) != nullptr) {
    Application.ShowException(error);
    return;
  }
  const int choice = ShowErrorDialog(
      ActiveProgramWindow(), FatalErrorMessage(sender_class, error_class, message, ErrorLog()), report);
  if (choice == 1) TerminateAtOnce(1);
}
