// A folder's lock: flock on the folder itself. The lock belongs to the open
// file description, so two opens in one process exclude each other too, and
// it follows the folder through a rename.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"

namespace platform {

FolderLock LockFolder(const std::string& path, FileHandle* handle) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return FolderLock::Failed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return saved == EWOULDBLOCK ? FolderLock::Held : FolderLock::Failed;
  }
  *handle = fd;
  return FolderLock::Locked;
}

void UnlockFolder(FileHandle handle) {
  if (handle != kInvalidHandle) ::close(static_cast<int>(handle));
}

}  // namespace platform
