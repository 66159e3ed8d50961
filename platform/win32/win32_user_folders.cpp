// The user's own folders, as the shell names them.
#include <windows.h>

#include <shlobj.h>

#include "platform/platform.h"

namespace platform {

std::string DocumentsFolder() {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK || !path[0])
    return {};
  std::string folder = path;
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace platform
