// A program that holds a password or a key keeps it out of core files.
#pragma once

namespace platform {

// Linux: marks the process not dumpable (PR_SET_DUMPABLE 0: no core file,
// no ptrace by other processes of the user) and lowers its core file limit
// to 0. Windows writes no core file of a program by itself: nothing to do.
// Call first thing in main; true when the system agreed.
bool KeepOutOfCoreDumps();

}  // namespace platform
