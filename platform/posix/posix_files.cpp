// Files and directories on POSIX. There are no sharing modes here: readers
// and writers of other processes are not kept out.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/fault_injection.h"
#include "platform/platform.h"

namespace platform {
namespace {

using faults::Call;
using faults::ShouldFail;

FileHandle OpenWith(const std::string& path, int flags, mode_t mode = 0644) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kInvalidHandle;
  // A directory opens for reading on POSIX, but is no file to read.
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return kInvalidHandle;
  }
  return fd;
}

}  // namespace

FileHandle OpenForReading(const std::string& path) {
  if (ShouldFail(Call::OpenForReading)) return kInvalidHandle;
  return OpenWith(path, O_RDONLY);
}

FileHandle OpenForReadWrite(const std::string& path) {
  if (ShouldFail(Call::OpenForReadWrite)) return kInvalidHandle;
  return OpenWith(path, O_RDWR);
}

FileHandle CreateReplacing(const std::string& path) {
  if (ShouldFail(Call::CreateReplacing)) return kInvalidHandle;
  return OpenWith(path, O_WRONLY | O_CREAT | O_TRUNC);
}

FileHandle OpenForAppend(const std::string& path) {
  if (ShouldFail(Call::OpenForAppend)) return kInvalidHandle;
  return OpenWith(path, O_WRONLY | O_CREAT | O_APPEND);
}

bool ReadFileBytes(FileHandle h, void* buffer, std::uint32_t length, std::uint32_t* got) {
  *got = 0;
  if (ShouldFail(Call::Read)) return false;
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
  if (ShouldFail(Call::Write)) return false;
  const auto* in = static_cast<const char*>(data);
  std::uint32_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(static_cast<int>(h), in + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool SeekFromStart(FileHandle h, std::uint32_t offset) {
  if (ShouldFail(Call::Seek)) return false;
  return ::lseek(static_cast<int>(h), static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(-1);
}

bool FileSize(FileHandle h, std::uint32_t* size) {
  *size = 0;
  if (ShouldFail(Call::Size)) return false;
  struct stat st;
  if (::fstat(static_cast<int>(h), &st) != 0) return false;
  *size = static_cast<std::uint32_t>(st.st_size);
  return true;
}

void CloseFile(FileHandle h) {
  if (h != kInvalidHandle) ::close(static_cast<int>(h));
}

bool RemoveFile(const std::string& path) {
  if (ShouldFail(Call::Remove)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (ShouldFail(Call::Rename)) return false;
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
  if (ShouldFail(Call::Replace)) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  if (ShouldFail(Call::Copy)) return false;
  // Copying a file onto itself would truncate it before it is read.
  if (SameFile(from, to)) return false;
  const int in = static_cast<int>(OpenWith(from, O_RDONLY));
  if (in < 0) return false;
  const int out = static_cast<int>(OpenWith(to, O_WRONLY | O_CREAT | O_TRUNC));
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  // The kernel copies without the bytes passing through this process where
  // the file system allows it; otherwise the loop below does the work.
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n > 0) continue;
    if (n == 0) {
      ::close(in);
      return ::close(out) == 0;
    }
    if (errno == EINTR) continue;
    break;  // not supported here: copy by hand from where it stopped
  }
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    ssize_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  return ok;
}

bool PathExists(const std::string& path) {
  if (ShouldFail(Call::Exists)) return false;
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
  if (ShouldFail(Call::List)) return false;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) {
    DirEntry entry;
    entry.name = e->d_name;
    struct stat st;
    const std::string full = dir + entry.name;
    entry.directory = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    // A leading dot is what hides a file here; "." and ".." are left for the
    // caller to skip, as on Windows.
    entry.hidden = entry.name.size() > 1 && entry.name[0] == '.' && entry.name != "..";
    entries->push_back(std::move(entry));
  }
  ::closedir(d);
  return true;
}

bool MakeDirectory(const std::string& path) {
  if (ShouldFail(Call::MakeDirectory)) return false;
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
