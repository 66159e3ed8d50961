#include "app/batch_mode.h"

#include "app/box_lock_observer.h"
#include "app/lock_messages.h"
#include "app/named_lock.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

void ShowUsage() {
  platform::ShowMessage({messages::kProductCaption, messages::kUsage, platform::MessageIcon::Information,
                         platform::MessageButtons::Ok});
}

bool RunBatch(const std::vector<std::string>& arguments, const TTemplateLibrary& templates) {
  TBoxLockObserver observer;
  const TLockResult result = LockWithNamedTemplate(templates, arguments.at(0), arguments.at(1),
                                                   arguments.at(2), arguments.at(3), observer);
  if (!result.ok()) {
    ShowLockFailures(result);
    messages::ShowError(messages::kLockedPageNotCreated);
  }
  return result.ok();
}
