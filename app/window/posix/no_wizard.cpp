// The Linux build has no window: without arguments it explains itself.
#include "app/window/batch_mode.h"
#include "app/window/wizard.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

int RunWizard(const TStartUp&) {
  ShowUsage();
  platform::ShowMessage({messages::kProductCaption, messages::kWizardIsWindowsOnly,
                         platform::MessageIcon::Information, platform::MessageButtons::Ok});
  return 0;
}

const char* WizardWhereabouts() { return messages::kNoWizardHere; }
