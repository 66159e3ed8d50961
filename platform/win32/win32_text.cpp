// Comparing names as Windows does: in the user's locale, ignoring case.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                        b.c_str(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace platform
