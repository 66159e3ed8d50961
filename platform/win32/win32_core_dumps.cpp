#include "platform/core_dumps.h"

namespace platform {

// A crash goes to the program's own reporter (errors/), not to a core file.
bool KeepOutOfCoreDumps() { return true; }

}  // namespace platform
