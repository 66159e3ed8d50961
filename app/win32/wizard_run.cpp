#include "app/wizard.h"

#include "app/win32/main_form.h"

int RunWizard() {
  TMainForm form;
  form.MakeMainForm();
  form.Show();
  return RunMessageLoop();
}
