#include "app/window/box_lock_observer.h"

#include "app/common/lock_messages.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

bool TBoxLockObserver::ConfirmReplace(const std::string& path) {
  const auto answer =
      platform::ShowMessage({messages::kQuestionCaption, messages::Format(messages::kBackupExists, {path}),
                             platform::MessageIcon::Warning, platform::MessageButtons::YesNo});
  return answer == platform::MessageAnswer::Yes;
}

void TBoxLockObserver::Warn(const TLockMessage& warning) { messages::ShowError(FormatMessage(warning)); }
