// A folder's lock: a handle on the folder that asks for writing and shares
// reading and deleting only. A second such handle is refused with a sharing
// violation, while listing (which reads) and renaming or removing (which
// delete) go on.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

FolderLock LockFolder(const std::string& path, FileHandle* handle) {
  const HANDLE h =
      ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return ::GetLastError() == ERROR_SHARING_VIOLATION ? FolderLock::Held : FolderLock::Failed;
  *handle = reinterpret_cast<FileHandle>(h);
  return FolderLock::Locked;
}

void UnlockFolder(FileHandle handle) {
  if (handle != kInvalidHandle) ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform
