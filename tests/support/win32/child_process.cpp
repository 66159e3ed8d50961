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

namespace {

HANDLE InheritedFile(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::wstring Wide(const std::string& text, UINT code_page) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(
      code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

}  // namespace

int RunWithFiles(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& cwd, const StandardFiles& files, UINT code_page) {
  const HANDLE in = files.input.empty() ? GetStdHandle(STD_INPUT_HANDLE) : InheritedFile(files.input, false);
  const HANDLE out = InheritedFile(files.output, true), err = InheritedFile(files.error, true);
  std::string command = QuotedArgument(program);
  for (const auto& a : arguments) command += " " + QuotedArgument(a);
  std::wstring wide = Wide(command, code_page);
  const std::wstring wide_cwd = Wide(cwd, CP_ACP);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const bool started = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                       CreateProcessW(nullptr, wide.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                      cwd.empty() ? nullptr : wide_cwd.c_str(), &startup, &process) != 0;
  if (!files.input.empty() && in != INVALID_HANDLE_VALUE) CloseHandle(in);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  if (!started) return -1;
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
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
