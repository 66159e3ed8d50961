#include "errors/error_reporting.h"

#include "app/application.h"
#include "errors/app_exception_handler.h"
#include "errors/error_log.h"
#include "errors/stack_capture.h"

namespace {

TAppExceptionHandler* installed_handler = nullptr;

}  // namespace

void InstallErrorReporting() {
  InstallStackCapture();
  if (installed_handler == nullptr) installed_handler = new TAppExceptionHandler;
  Application.OnException = [](const std::string& sender_class, const std::exception& error) {
    if (installed_handler != nullptr) installed_handler->ReportFatalException(sender_class, error);
  };
}

// The event is emptied with the handler, so that an exception reported after
// shutdown falls back to the standard box instead of a freed handler.
void RemoveErrorReporting() {
  Application.OnException = nullptr;
  delete installed_handler;
  installed_handler = nullptr;
  RemoveStackCapture();
}

void LogEscapedException(const std::exception& error) {
  RestoreStackGuard();
  LogException(ExceptionClassName(error), error.what());
}
