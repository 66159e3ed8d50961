// Names are byte strings here; only ASCII letters have a case to ignore.
#include <strings.h>

#include "platform/platform.h"

namespace platform {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace platform
