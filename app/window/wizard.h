// GUI mode: the wizard window and the message loop.
#pragma once

#include "app/common/start_up.h"

// Creates the wizard window as the main window and runs the message loop
// until it closes; returns the process exit code. On systems without the
// wizard it explains that and returns.
int RunWizard(const TStartUp& start_up);

// Where the wizard is, for the terminal program run without arguments: one
// line, ending in a line break.
const char* WizardWhereabouts();
