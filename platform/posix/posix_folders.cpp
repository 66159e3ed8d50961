// Folder trees on POSIX: testing, removing, renaming and swapping folders.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/fault_injection.h"
#include "platform/path_parts.h"
#include "platform/platform.h"

namespace platform {
namespace {

// Removes everything inside the folder open as `fd` (which it closes),
// never following a link: entries are opened relative to their folder with
// O_NOFOLLOW, so a link swapped in meanwhile is removed, not entered.
bool EmptyFolder(int fd) {
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::close(fd);
    return false;
  }
  bool ok = true;
  int saved = 0;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      saved = errno;
      ok = false;
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child < 0 || !EmptyFolder(child) || ::unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) {
        saved = errno;
        ok = false;
      }
    } else if (::unlinkat(fd, name.c_str(), 0) != 0) {
      saved = errno;
      ok = false;
    }
  }
  ::closedir(d);
  if (!ok) errno = saved;
  return ok;
}

}  // namespace

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveTree(const std::string& path) {
  const std::string folder = WithoutFinalSeparator(path);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  return EmptyFolder(fd) && ::rmdir(folder.c_str()) == 0;
}

bool MoveFolder(const std::string& from, const std::string& to) {
  if (faults::Next(faults::Call::Rename) != faults::Failure::None) {
    errno = EIO;
    return false;
  }
  const std::string source = WithoutFinalSeparator(from);
  const std::string target = WithoutFinalSeparator(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without RENAME_NOREPLACE: rename() would put the folder
  // in the place of an empty one, so look first.
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(source.c_str(), target.c_str()) == 0;
}

namespace {

// Opens the folder, runs `flush` on it and closes it; an injected flush
// failure comes before the work.
bool FlushOpenFolder(const std::string& path, int (*flush)(int)) {
  if (faults::Next(faults::Call::Flush) != faults::Failure::None) {
    errno = EIO;
    return false;
  }
  const int fd = ::open(WithoutFinalSeparator(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = flush(fd) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return ok;
}

}  // namespace

bool FlushTree(const std::string& path) {
  // syncfs writes the whole file system's dirty data in one pass, and the
  // disk is told to flush its cache once, not once per file.
  return FlushOpenFolder(path, ::syncfs);
}

bool FlushFolder(const std::string& path) { return FlushOpenFolder(path, ::fsync); }

bool ExchangeFolders(const std::string& a, const std::string& b) {
  if (faults::Next(faults::Call::Rename) != faults::Failure::None) {
    errno = EIO;
    return false;
  }
  const std::string first = WithoutFinalSeparator(a);
  const std::string second = WithoutFinalSeparator(b);
  if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // No atomic swap here: three renames, each undone when a later one fails.
  const std::string aside = first + "~swap~";
  if (!MoveFolder(first, aside)) return false;
  if (::rename(second.c_str(), first.c_str()) != 0) {
    const int saved = errno;
    ::rename(aside.c_str(), first.c_str());
    errno = saved;
    return false;
  }
  if (::rename(aside.c_str(), second.c_str()) != 0) {
    const int saved = errno;
    ::rename(first.c_str(), second.c_str());
    ::rename(aside.c_str(), first.c_str());
    errno = saved;
    return false;
  }
  return true;
}

std::string FullPath(const std::string& path) {
  char buffer[PATH_MAX];
  if (!::realpath(path.empty() ? "." : path.c_str(), buffer)) return {};
  return buffer;
}

bool SameFileName(const std::string& a, const std::string& b) { return a == b; }

}  // namespace platform
