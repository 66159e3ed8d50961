// Files and directories on POSIX. There are no sharing modes here: readers
// and writers of other processes are not kept out.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/platform.h"

namespace platform {
namespace {

using faults::Call;
using faults::Failure;

// Counts the call; an injected failure leaves an error code as a real one
// would, so that the message built from it names a cause.
Failure Injected(Call call) {
  const Failure failure = faults::Next(call);
  if (failure != Failure::None) errno = failure == Failure::Partway ? ENOSPC : EIO;
  return failure;
}

bool FailsBefore(Call call) { return Injected(call) != Failure::None; }

// Writes all `length` bytes, going on after short writes and signals.
bool WriteAll(int fd, const char* data, std::size_t length) {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(fd, data + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Copies from the current offsets to the end of `in`, or `limit` bytes.
bool CopyData(int in, int out, std::uint64_t limit) {
  // The kernel copies without the bytes passing through this process where
  // the file system allows it; otherwise the loop below does the work.
  std::uint64_t copied = 0;
  for (;;) {
    if (copied >= limit) return true;
    const std::uint64_t want = std::min<std::uint64_t>(limit - copied, 1 << 30);
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
    if (n > 0) {
      copied += static_cast<std::uint64_t>(n);
      continue;
    }
    if (n == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    break;  // not supported here: copy by hand from where it stopped
  }
  std::vector<char> buffer(1 << 16);
  while (copied < limit) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(limit - copied, buffer.size()));
    const ssize_t n = ::read(in, buffer.data(), want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return false;
    copied += static_cast<std::uint64_t>(n);
  }
  return true;
}

// The umask may have narrowed the bits a file was created with: the copy
// gets exactly the original's.
bool KeepMode(int fd, const struct stat& original) { return ::fchmod(fd, original.st_mode & 0777) == 0; }

FileHandle OpenWith(const std::string& path, int flags, mode_t mode = 0644, struct stat* seen = nullptr) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kInvalidHandle;
  // A directory opens for reading on POSIX, but is no file to read. Opened
  // for writing it fails by itself (EISDIR), and a file just created
  // exclusively is none.
  if ((flags & O_ACCMODE) != O_RDONLY && !seen) return fd;
  struct stat st;
  const bool stated = fstat(fd, &st) == 0;
  if (!stated || S_ISDIR(st.st_mode)) {
    const int saved = stated ? EISDIR : errno;
    ::close(fd);
    errno = saved;
    return kInvalidHandle;
  }
  if (seen) *seen = st;
  return fd;
}

// Opens a copy's source for reading, with its status; -1 (errno kept) when
// either fails.
int OpenCopySource(const std::string& from, struct stat* st) {
  return static_cast<int>(OpenWith(from, O_RDONLY, 0, st));
}

}  // namespace

FileHandle OpenForReading(const std::string& path) {
  if (FailsBefore(Call::OpenForReading)) return kInvalidHandle;
  return OpenWith(path, O_RDONLY);
}

FileHandle OpenRegularForReading(const std::string& path, std::uint64_t* size) {
  *size = 0;
  if (FailsBefore(Call::OpenForReading)) return kInvalidHandle;
  struct stat st;
  const FileHandle h = OpenWith(path, O_RDONLY, 0, &st);
  if (h == kInvalidHandle) return h;
  if (!S_ISREG(st.st_mode)) {
    ::close(static_cast<int>(h));
    errno = EINVAL;
    return kInvalidHandle;
  }
  *size = static_cast<std::uint64_t>(st.st_size);
  return h;
}

FileHandle OpenForReadWrite(const std::string& path) {
  if (FailsBefore(Call::OpenForReadWrite)) return kInvalidHandle;
  return OpenWith(path, O_RDWR);
}

FileHandle CreateReplacing(const std::string& path) {
  if (FailsBefore(Call::CreateReplacing)) return kInvalidHandle;
  return OpenWith(path, O_WRONLY | O_CREAT | O_TRUNC);
}

FileHandle CreateExclusive(const std::string& path) {
  if (FailsBefore(Call::CreateExclusive)) return kInvalidHandle;
  return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL);
}

FileHandle CreateHeldPrivate(const std::string& path) {
  if (FailsBefore(Call::CreateExclusive)) return kInvalidHandle;
  const FileHandle h = OpenWith(path, O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (h != kInvalidHandle && ::flock(static_cast<int>(h), LOCK_EX | LOCK_NB) != 0) {
    const int saved = errno;
    ::close(static_cast<int>(h));
    ::unlink(path.c_str());
    errno = saved;
    return kInvalidHandle;
  }
  return h;
}

bool IsHeld(const std::string& path) {
  const int fd = static_cast<int>(OpenWith(path, O_RDONLY));
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

FileHandle OpenForAppend(const std::string& path) {
  if (FailsBefore(Call::OpenForAppend)) return kInvalidHandle;
  return OpenWith(path, O_WRONLY | O_CREAT | O_APPEND);
}

bool ReadFileBytes(FileHandle h, void* buffer, std::uint32_t length, std::uint32_t* got) {
  *got = 0;
  if (FailsBefore(Call::Read)) return false;
  auto* out = static_cast<char*>(buffer);
  // Short reads happen on pipes and signals; keep going until the buffer is
  // full or the file ends, as ReadFile does for a disk file.
  while (*got < length) {
    const ssize_t n = ::read(static_cast<int>(h), out + *got, length - *got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *got += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool WriteFileBytes(FileHandle h, const void* data, std::uint32_t length) {
  const Failure failure = Injected(Call::Write);
  if (failure == Failure::Before) return false;
  const auto* in = static_cast<const char*>(data);
  if (failure == Failure::Partway) {
    // A short write: the first half reached the file, then the disk was full.
    WriteAll(static_cast<int>(h), in, length / 2);
    errno = ENOSPC;
    return false;
  }
  return WriteAll(static_cast<int>(h), in, length);
}

bool SeekFromStart(FileHandle h, std::uint32_t offset) {
  if (FailsBefore(Call::Seek)) return false;
  return ::lseek(static_cast<int>(h), static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(-1);
}

bool FileSize(FileHandle h, std::uint32_t* size) {
  *size = 0;
  if (FailsBefore(Call::Size)) return false;
  struct stat st;
  if (::fstat(static_cast<int>(h), &st) != 0) return false;
  *size = static_cast<std::uint32_t>(st.st_size);
  return true;
}

bool FlushFile(FileHandle h) {
  const Failure failure = Injected(Call::Flush);
  if (failure == Failure::Before) return false;
  const bool ok = ::fsync(static_cast<int>(h)) == 0;
  if (failure == Failure::Partway) {
    errno = EIO;
    return false;
  }
  return ok;
}

void StartWriteBack(FileHandle h) { ::sync_file_range(static_cast<int>(h), 0, 0, SYNC_FILE_RANGE_WRITE); }

bool CloseFile(FileHandle h) {
  if (h == kInvalidHandle) return true;
  // The handle is released whatever happens: a failed close cannot be
  // retried on POSIX.
  const Failure failure = Injected(Call::Close);
  const bool ok = ::close(static_cast<int>(h)) == 0;
  if (failure != Failure::None) {
    errno = EIO;
    return false;
  }
  return ok;
}

bool RemoveFile(const std::string& path) {
  if (FailsBefore(Call::Remove)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (FailsBefore(Call::Rename)) return false;
  // rename() would replace `to`; MoveFileA refuses. link() then unlink()
  // refuses an existing target without a window in which either is missing.
  if (::link(from.c_str(), to.c_str()) != 0) {
    if (errno == EEXIST) return false;
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;  // file systems without hard links
  }
  return ::unlink(from.c_str()) == 0;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to) {
  if (FailsBefore(Call::Replace)) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  const Failure failure = Injected(Call::Copy);
  if (failure == Failure::Before) return false;
  // Copying a file onto itself would truncate it before it is read.
  if (SameFile(from, to)) {
    errno = EINVAL;
    return false;
  }
  struct stat st;
  const int in = OpenCopySource(from, &st);
  if (in < 0) return false;
  const int out = static_cast<int>(OpenWith(to, O_WRONLY | O_CREAT | O_TRUNC, st.st_mode & 0777));
  if (out < 0) {
    const int saved = errno;
    ::close(in);
    errno = saved;
    return false;
  }
  const std::uint64_t half = static_cast<std::uint64_t>(st.st_size) / 2;
  // An existing file keeps its own bits through O_TRUNC; the copy must not
  // stay readable by more people than the original.
  bool ok = KeepMode(out, st) && CopyData(in, out, failure == Failure::Partway ? half : UINT64_MAX);
  const int saved = errno;
  ::close(in);
  if (::close(out) != 0 && ok) ok = false;
  if (failure == Failure::Partway) {
    errno = ENOSPC;
    return false;
  }
  if (!ok) errno = saved;
  return ok;
}

bool CopyToNewFile(const std::string& from, const std::string& to, bool flush) {
  const Failure failure = Injected(Call::Copy);
  if (failure == Failure::Before) return false;
  struct stat st;
  const int in = OpenCopySource(from, &st);
  if (in < 0) return false;
  // Created with no more than the original's bits, so that no moment lets
  // others read a copy of a private page.
  const int out = static_cast<int>(OpenWith(to, O_WRONLY | O_CREAT | O_EXCL, st.st_mode & 0777));
  if (out < 0) {
    const int saved = errno;
    ::close(in);
    errno = saved;
    return false;
  }
  const std::uint64_t half = static_cast<std::uint64_t>(st.st_size) / 2;
  bool ok = KeepMode(out, st) && CopyData(in, out, failure == Failure::Partway ? half : UINT64_MAX);
  if (failure == Failure::Partway) {
    ok = false;
    errno = ENOSPC;
  }
  ok = ok && (!flush || FlushFile(out));
  int saved = errno;
  ::close(in);
  if (!CloseFile(out) && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    ::unlink(to.c_str());
    errno = saved;
  }
  return ok;
}

bool RegularFileSize(const std::string& path, std::uint64_t* size) {
  *size = 0;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return false;
  }
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

std::string LastErrorText() { return std::strerror(errno); }

bool PathExists(const std::string& path) {
  if (FailsBefore(Call::Exists)) return false;
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  if (FailsBefore(Call::List)) return false;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) {
    DirEntry entry;
    entry.name = e->d_name;
    struct stat st;
    const std::string full = dir + entry.name;
    // One look at an entry that is no link; a link is followed to tell
    // whether it leads to a folder.
    bool seen = ::lstat(full.c_str(), &st) == 0;
    entry.link = seen && S_ISLNK(st.st_mode);
    if (entry.link) seen = ::stat(full.c_str(), &st) == 0;
    entry.directory = seen && S_ISDIR(st.st_mode);
    if (seen && !entry.link && S_ISREG(st.st_mode)) {
      entry.regular = true;
      entry.size = static_cast<std::uint64_t>(st.st_size);
      entry.permissions = st.st_mode & 0777;
    }
    // A leading dot is what hides a file here; "." and ".." are left for the
    // caller to skip, as on Windows.
    entry.hidden = entry.name.size() > 1 && entry.name[0] == '.' && entry.name != "..";
    entries->push_back(std::move(entry));
  }
  ::closedir(d);
  return true;
}

bool SetPermissions(FileHandle target, std::uint32_t bits) {
  return ::fchmod(static_cast<int>(target), static_cast<mode_t>(bits & 0777)) == 0;
}

bool CopyPermissions(const std::string& model, const std::string& target) {
  struct stat st;
  if (::stat(model.c_str(), &st) != 0) return false;
  return ::chmod(target.c_str(), st.st_mode & 0777) == 0;
}

bool MakeDirectory(const std::string& path) {
  if (FailsBefore(Call::MakeDirectory)) return false;
  return ::mkdir(path.c_str(), 0755) == 0;
}

void AdviseSequentialFill(void* buffer, std::size_t length) {
  // Large pages cut the page faults of a block of many megabytes by a
  // factor of 512; only whole 2 MiB pages inside the buffer can get them.
  constexpr std::uintptr_t kHugePage = 2u << 20;
  const auto start = (reinterpret_cast<std::uintptr_t>(buffer) + kHugePage - 1) & ~(kHugePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + length) & ~(kHugePage - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

char PathSeparator() { return '/'; }

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace platform
