#include "app/win32/main_form.h"
#include "app/wizard.h"

int RunWizard() {
  TMainForm form;
  form.MakeMainForm();
  form.Show();
  return RunMessageLoop();
}
