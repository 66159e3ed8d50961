// The Linux build has no window: without arguments it explains itself.
#include "app/batch_mode.h"
#include "app/wizard.h"
#include "platform/platform.h"
#include "resources/message_table.h"

int RunWizard(const TStartUp&) {
  ShowUsage();
  platform::ShowMessage({messages::kProductCaption, messages::kWizardIsWindowsOnly,
                         platform::MessageIcon::Information, platform::MessageButtons::Ok});
  return 0;
}
