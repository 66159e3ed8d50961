// A program a test starts as its own process.
#pragma once

#include <string>

#include "tests/support/win32/windows_api.h"

namespace testing_support {

// One argument of a command line as the runtime's parser reads it back: in
// quotes, with the backslashes before a quote, or before the closing quote
// (a folder's path ending in one), doubled, and the quote escaped.
std::string QuotedArgument(const std::string& argument);

// Owns the started process; ends it (exit code 99) if it still runs when the
// object goes away, so that a failed test leaves nothing behind.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `command_line` in the folder `cwd`; false when it could not start.
  bool Start(const std::string& command_line, const std::string& cwd);
  DWORD id() const { return process_.dwProcessId; }
  HANDLE handle() const { return process_.hProcess; }

  // Waits up to `timeout_ms`; true when the process has ended.
  bool WaitForEnd(DWORD timeout_ms);
  // Waits up to `timeout_ms`, then the exit code (STILL_ACTIVE while it runs).
  DWORD ExitCode(DWORD timeout_ms);
  // Ends the process with exit code 99 if it still runs.
  void EndIfRunning();

 private:
  PROCESS_INFORMATION process_{};
};

}  // namespace testing_support
