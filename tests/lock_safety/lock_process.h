// The real program as a separate process, started beside a real Templates
// folder, so that a test can kill it or run two at once.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace testing_support {

// A copy of the built program beside Templates/Plain (a start page that meets
// the marker contract, and one more file).
class LockInstall {
 public:
  LockInstall();
  const std::string& program() const { return program_; }

 private:
  TempDir dir_;
  std::string program_;
};

// Starts `program Plain <page> <backup> <password>` in `cwd` with "y" on its
// standard input and its messages in `cwd`/../<page>.stderr-<n>.
pid_t StartLock(const std::string& program, const std::string& cwd,
                const std::vector<std::string>& arguments);

// Waits for the process; its exit code, or -1 when a signal ended it.
int WaitFor(pid_t pid);

// A text page of `size` bytes without zero bytes.
void WriteTextPage(const std::string& path, std::size_t size);

}  // namespace testing_support
