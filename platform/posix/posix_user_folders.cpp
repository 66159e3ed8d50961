// The user's own folders: below $HOME, where desktops keep them.
#include <sys/stat.h>

#include <cstdlib>

#include "platform/platform.h"

namespace platform {

std::string DocumentsFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  std::string folder = home;
  if (folder.back() != '/') folder += '/';
  struct stat status;
  const std::string documents = folder + "Documents/";
  if (stat(documents.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return documents;
  return folder;
}

}  // namespace platform
