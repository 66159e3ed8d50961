#include "app/window/program.h"

#include <stdexcept>

#include "app/common/application.h"
#include "app/window/batch_mode.h"
#include "app/common/start_up.h"
#include "app/window/wizard.h"
#include "errors/app_exception_handler.h"
#include "errors/stack_capture.h"
#include "resources/message_table.h"

namespace {

bool IsHelpRequest(const std::string& argument) {
  return argument == "/?" || argument == "-?" || argument == "?";
}

int RunRoad(const std::vector<std::string>& arguments, const std::vector<std::string>& utf8_arguments,
            const TStartUp& start_up) {
  if (arguments.empty()) return RunWizard(start_up);
  if (IsHelpRequest(arguments[0])) {
    ShowUsage();
    return kExitLocked;
  }
  if (arguments.size() != 4) {
    ShowUsage();
    return kExitUsage;
  }
  return RunBatch(arguments, start_up.templates, utf8_arguments) ? kExitLocked : kExitNotLocked;
}

// An exception that escapes outside any window is logged and shown, and the
// process ends with the failure code rather than a bare runtime abort.
int ReportEscaped(const std::exception& error) {
  LogEscapedException(error);
  Application.ShowException(error);
  return kExitNotLocked;
}

}  // namespace

void InstallErrorReporting() {
  InstallStackCapture();
  Application.OnException = &ReportFatalException;
}

// The event is emptied first, so that an exception reported after shutdown
// falls back to the standard box.
void RemoveErrorReporting() {
  Application.OnException = nullptr;
  RemoveStackCapture();
}

int RunProtected(const std::function<int()>& road) {
  try {
    return road();
  } catch (const std::exception& error) {
    return ReportEscaped(error);
  } catch (...) {
    return ReportEscaped(std::runtime_error(messages::kUnknownException));
  }
}

int ZendrelMain(const std::vector<std::string>& arguments, const std::vector<std::string>& utf8_arguments) {
  InstallErrorReporting();
  Application.Title = messages::kApplicationTitle;
  const int code = RunProtected([&] { return RunRoad(arguments, utf8_arguments, InitApplication()); });
  RemoveErrorReporting();
  return code;
}
