// The application object: its title and its exception event, to which
// every exception that escapes a window or dialog handler is handed.
#pragma once

#include <exception>
#include <functional>
#include <string>

class TApplication {
 public:
  using ExceptionEvent = std::function<void(const std::string& sender_class, const std::exception& error)>;

  // The name the system shows for the running program.
  std::string Title;

  // Receives every exception that reaches the application. When empty, the
  // exception's message is shown in an "Error" box.
  ExceptionEvent OnException;

  // Call from inside a catch block: hands the exception being handled to
  // OnException (or the standard box). Never throws; an exception that is
  // not a std::exception is reported as an unknown one.
  void HandleException(const std::string& sender_class) noexcept;

  // Shows the exception's message in the standard "Error" box.
  void ShowException(const std::exception& error);
};

extern TApplication Application;
