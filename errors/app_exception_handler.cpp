#include "errors/app_exception_handler.h"

#include "errors/error_classes.h"
#include "errors/error_log.h"
#include "errors/exception_class_name.h"
#include "errors/stack_capture.h"
#include "errors/system.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

std::string FatalErrorMessage(const std::string& sender_class, const std::string& error_class,
                              const std::string& error_message, const std::string& log_path) {
  return messages::Format(messages::kFatalError, {error_message, sender_class, error_class, log_path});
}

void ReportFatalException(const std::string& sender_class, const std::exception& error) {
  RestoreStackGuard();
  const std::string error_class = ExceptionClassName(error);
  const std::string message = error.what();
  const std::string report = LogException(error_class, message);
  if (dynamic_cast<const EAssertionFailed*>(&error) != nullptr) {
    messages::ShowError(message);
    return;
  }
  const int choice = ShowErrorDialog(
      ActiveProgramWindow(), FatalErrorMessage(sender_class, error_class, message, ErrorLog()), report);
  if (choice == 1) TerminateAtOnce(1);
}

void LogEscapedException(const std::exception& error) {
  RestoreStackGuard();
  LogException(ExceptionClassName(error), error.what());
}
