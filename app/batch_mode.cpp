#include "app/batch_mode.h"

#include "engine/lock_page.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

void ShowUsage() {
  platform::ShowMessage({messages::kProductCaption, messages::kUsage, platform::MessageIcon::Information,
                         platform::MessageButtons::Ok});
}

bool RunBatch(const std::vector<std::string>& arguments) {
  // The page and the backup swap places between the command line and the
  // lock engine.
  const bool locked = LockPage(arguments.at(0), arguments.at(2), arguments.at(1), arguments.at(3));
  if (!locked) {
    messages::ShowError(messages::kLockedPageNotCreated);
  }
  return locked;
}
