// The real program as a separate process, started beside a real Templates
// folder, so that a test can kill it or run two at once.
#pragma once

#include <sys/types.h>

#include <chrono>
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

// Moments spread over a run of a length measured beforehand, at which a test
// kills the run. The machine's speed changes under the test (other tests,
// the disk's flushes): a kill that finds the run already over shows the
// estimate was long, so it shrinks to that moment and the moments after it
// land inside the run again.
class KillMoments {
 public:
  KillMoments(std::chrono::steady_clock::duration run_time, int count)
      : run_time_(run_time), count_(count) {}
  int count() const { return count_; }
  // Waits until moment `i` of a run started just now, kills `pid` and
  // reaps it; true when the kill ended the run midway.
  bool KillAt(pid_t pid, int i);
  // How many kills so far ended their run midway.
  int midway() const { return midway_; }

 private:
  std::chrono::steady_clock::duration run_time_;
  int count_;
  int midway_ = 0;
};

// A text page of `size` bytes without zero bytes.
void WriteTextPage(const std::string& path, std::size_t size);

}  // namespace testing_support
