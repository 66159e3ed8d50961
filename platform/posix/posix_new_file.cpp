#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/new_file.h"

namespace platform {

FileHandle CreateNewFile(const std::string& path) {
  if (faults::ShouldFail(faults::Call::CreateReplacing)) return kInvalidHandle;
  int fd;
  // O_EXCL also refuses a link at `path`, even one to nowhere.
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? kInvalidHandle : fd;
}

std::string LastErrorText() { return std::strerror(errno); }

}  // namespace platform
