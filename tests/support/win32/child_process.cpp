#include "tests/support/win32/child_process.h"

namespace testing_support {

std::string QuotedArgument(const std::string& argument) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

ChildProcess::~ChildProcess() {
  if (process_.hProcess == nullptr) return;
  EndIfRunning();
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

bool ChildProcess::Start(const std::string& command_line, const std::string& cwd) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string command = command_line;
  return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &startup,
                        &process_) != 0;
}

bool ChildProcess::WaitForEnd(DWORD timeout_ms) {
  return WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_TIMEOUT;
}

DWORD ChildProcess::ExitCode(DWORD timeout_ms) {
  WaitForSingleObject(process_.hProcess, timeout_ms);
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

void ChildProcess::EndIfRunning() {
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
}

}  // namespace testing_support
