// Until the wizard window is built, GUI mode shows the usage message.
#include "app/batch_mode.h"
#include "app/wizard.h"

int RunWizard() {
  ShowUsage();
  return 0;
}
