#include "app/common/lock_messages.h"

#include "resources/error_box.h"
#include "resources/message_table.h"

std::string FormatMessage(const TLockMessage& message) {
  return message.text ? messages::Format(message.text, message.arguments) : std::string();
}

std::string LockFailureText(const TLockMessage& message, const std::string& reason) {
  return messages::FormatWithReason(message.text ? message.text : "", message.arguments, reason);
}

void ShowLockFailures(const TLockResult& result) {
  if (result.ok()) return;
  if (result.message.text) messages::ShowError(LockFailureText(result.message, result.reason));
  for (const TLockFailure& failure : result.further) {
    if (failure.message.text) messages::ShowError(LockFailureText(failure.message, failure.reason));
  }
}
