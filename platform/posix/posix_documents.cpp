// Opening documents without a registry: $BROWSER, then Debian's
// sensible-browser.
#include <cstdlib>

#include "platform/platform.h"

namespace platform {

RegistryRead ReadClassesRootDefault(const std::string& /*key*/, std::string* value) {
  value->clear();
  return RegistryRead::NoKey;
}

std::string LastResortOpener() { return "sensible-browser"; }

bool EnvironmentBrowser(std::string* command) {
  const char* browser = std::getenv("BROWSER");
  *command = browser ? browser : "";
  return true;
}

}  // namespace platform
