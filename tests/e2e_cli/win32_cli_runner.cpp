// Under wine the program runs as a Windows console process without a
// console (DETACHED_PROCESS; CREATE_NO_WINDOW would give it a hidden one,
// a terminal nobody can answer), its standard handles inherited files.
#include <windows.h>

#include "tests/e2e_cli/cli_runner.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/child_process.h"
#include "tests/support/win32/wine_paths.h"

namespace {

HANDLE InheritedFile(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::string CliProgram() { return testing_support::WinePath(ZENDREL_CLI_EXE); }
std::string BuiltTemplates() { return testing_support::WinePath(ZENDREL_TEMPLATES_DIR); }

CliRun RunCli(const std::string& program, const std::vector<std::string>& arguments, const std::string& cwd,
              const CliInput& input) {
  testing_support::TempDir io;
  const std::string in_path = io / "stdin", out_path = io / "stdout", err_path = io / "stderr";
  testing_support::WriteFile(in_path, input.standard_input);
  CliRun run;
  {
    const HANDLE in = InheritedFile(in_path, false), out = InheritedFile(out_path, true),
                 err = InheritedFile(err_path, true);
    std::string command = testing_support::QuotedArgument(program);
    for (const auto& a : arguments) command += " " + testing_support::QuotedArgument(a);
    // The child inherits this process's environment, with the variables
    // added for its lifetime.
    for (const auto& [name, value] : input.environment) SetEnvironmentVariableA(name.c_str(), value.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                                        nullptr, cwd.c_str(), &startup, &process);
    for (const auto& [name, value] : input.environment) SetEnvironmentVariableA(name.c_str(), nullptr);
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) return run;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.exit_code = static_cast<int>(code);
  }
  run.out = testing_support::ReadFile(out_path);
  run.err = testing_support::ReadFile(err_path);
  return run;
}
