#include "app/common/application.h"

#include <stdexcept>

#include "resources/error_box.h"
#include "resources/message_table.h"

TApplication Application;

void TApplication::ShowException(const std::exception& error) { messages::ShowError(error.what()); }
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
      const std::runtime_error unknown(messages::kUnknownException);
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
