// Without a window system there is no dialog: the reporter goes on as after
// a dialog that could not be shown, and Terminate is a plain _exit.
#include <unistd.h>

#include "errors/system.h"

int ShowErrorDialog(std::intptr_t /*parent*/, const std::string& /*message*/, const std::string& /*report*/) {
  return -1;
}

std::intptr_t ActiveProgramWindow() { return 0; }

void TerminateAtOnce(int exit_code) { _exit(exit_code); }
