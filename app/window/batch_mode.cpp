#include "app/window/batch_mode.h"

#include "app/window/box_lock_observer.h"
#include "app/common/lock_messages.h"
#include "app/common/named_lock.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

void ShowUsage() {
  platform::ShowMessage({messages::kProductCaption, messages::kUsage, platform::MessageIcon::Information,
                         platform::MessageButtons::Ok});
}

bool RunBatch(const std::vector<std::string>& arguments, const TTemplateLibrary& templates,
              const std::vector<std::string>& utf8_arguments) {
  // A character that the ANSI code page maps to a quote or a blank splits
  // the two forms differently: then only the typed bytes are trusted.
  const TPassword password = utf8_arguments.size() == arguments.size()
                                 ? TPassword(arguments.at(3), utf8_arguments.at(3))
                                 : TPassword(arguments.at(3));
  TBoxLockObserver observer;
  const TLockResult result =
      LockWithNamedTemplate(templates, arguments.at(0), arguments.at(1), arguments.at(2), password, observer);
  if (!result.ok()) {
    ShowLockFailures(result);
    messages::ShowError(messages::kLockedPageNotCreated);
  }
  return result.ok();
}
