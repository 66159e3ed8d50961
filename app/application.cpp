#include "app/application.h"

#include <stdexcept>
#include <typeinfo>

#if defined(__GNUG__)
#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#endif

#include "platform/platform.h"
#include "resources/message_table.h"

TApplication Application;

std::string ExceptionClassName(const std::exception& error) {
  const char* name = typeid(error).name();
#if defined(__GNUG__)
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                   std::free);
  if (status == 0 && demangled) return demangled.get();
#endif
  return name;
}

void TApplication::ShowException(const std::exception& error) {
  platform::ShowMessage(
      {messages::kErrorCaption, error.what(), platform::MessageIcon::Error, platform::MessageButtons::Ok});
}

void TApplication::HandleException(const std::string& sender_class) noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& error) {
      if (OnException) {
        OnException(sender_class, error);
      } else {
        ShowException(error);
      }
    } catch (...) {
      const std::runtime_error unknown("Unknown exception");
      if (OnException) {
        OnException(sender_class, unknown);
      } else {
        ShowException(unknown);
      }
    }
  } catch (...) {
    // The event itself failed; nothing is left that could report it.
  }
}
