// A device name (CON, NUL, \\.\...) has no disk file behind it: its handle's
// type says so. Opening one for no access reads nothing from it.
#include <windows.h>

#include "platform/path_kind.h"

namespace platform {

PathKind KindOfPath(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return PathKind::Directory;
  const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return attributes == INVALID_FILE_ATTRIBUTES ? PathKind::Missing : PathKind::Regular;
  const DWORD type = GetFileType(file);
  CloseHandle(file);
  return type == FILE_TYPE_DISK ? PathKind::Regular : PathKind::Special;
}

}  // namespace platform
