#include "app/window/win32/main_form.h"
#include "app/window/wizard.h"
#include "resources/terminal_messages.h"

int RunWizard(const TStartUp& start_up) {
  TMainForm form(start_up);
  form.MakeMainForm();
  form.Show();
  return RunMessageLoop();
}

const char* WizardWhereabouts() { return messages::kWizardBesideUs; }
