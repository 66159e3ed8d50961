// A program a test starts as its own process.
#pragma once

#include <string>
#include <vector>

#include "tests/support/win32/windows_api.h"

namespace testing_support {

// One argument of a command line as the runtime's parser reads it back: in
// quotes, with the backslashes before a quote, or before the closing quote
// (a folder's path ending in one), doubled, and the quote escaped.
std::string QuotedArgument(const std::string& argument);

// Where a program run by RunWithFiles reads and writes: files, created anew
// for output and error; an empty input is this process's own.
struct StandardFiles {
  std::string input, output, error;
};

// Runs `program` with `arguments` in the folder `cwd` (empty: this
// process's) with no console (DETACHED_PROCESS; CREATE_NO_WINDOW would give
// it a hidden one, a terminal nobody can answer) and its standard handles
// on `files`, and waits up to two minutes for it to end. Its exit code
// (STILL_ACTIVE if it did not end), or -1 when it could not start. The
// command line is in `code_page` (CP_UTF8 passes characters outside the
// ANSI code page) and reaches the program as UTF-16.
int RunWithFiles(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& cwd, const StandardFiles& files, UINT code_page = CP_ACP);

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
