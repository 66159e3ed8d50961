// Under wine the program runs as a Windows process whose standard error is
// an inherited file handle.
#include <windows.h>

#include "tests/e2e_unlock/unlock_runner.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/child_process.h"
#include "tests/support/win32/wine_paths.h"

std::string UnlockProgram() { return testing_support::WinePath(ZENDREL_UNLOCK_EXE); }

UnlockRun RunUnlock(const std::string& program, const std::vector<std::string>& arguments) {
  testing_support::TempDir io;
  const std::string err_path = io / "stderr", out_path = io / "stdout";
  UnlockRun run;
  {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE err = CreateFileA(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE out = CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (err == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return run;
    std::string command = testing_support::QuotedArgument(program);
    for (const auto& a : arguments) command += " " + testing_support::QuotedArgument(a);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(err);
    CloseHandle(out);
    if (!started) return run;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.exit_code = static_cast<int>(code);
  }
  run.errors = testing_support::ReadFile(err_path);
  run.output = testing_support::ReadFile(out_path);
  return run;
}
