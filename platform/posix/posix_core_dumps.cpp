#include <sys/prctl.h>
#include <sys/resource.h>

#include "platform/core_dumps.h"

namespace platform {

bool KeepOutOfCoreDumps() {
  // Either alone would do for a core file; not dumpable also keeps the
  // user's other processes from reading this one's memory.
  const rlimit none = {0, 0};
  const bool limited = setrlimit(RLIMIT_CORE, &none) == 0;
  return prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && limited;
}

}  // namespace platform
