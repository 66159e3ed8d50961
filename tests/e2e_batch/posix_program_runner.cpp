// On Linux the program's messages are its standard error: "caption: text".
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/e2e_batch/program_runner.h"
#include "tests/support/temp_dir.h"

std::string BuiltProgram() { return ZENDREL_EXE; }

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& cwd, bool answer_yes) {
  testing_support::TempDir io;
  const std::string err_path = io / "stderr", in_path = io / "stdin";
  testing_support::WriteFile(in_path, answer_yes ? "y\n" : "n\n");
  ProgramRun run;
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open(in_path.c_str(), O_RDONLY);
    dup2(err, 2);
    dup2(in, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  run.peak_memory = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  // Messages run over several lines; each begins with a known caption.
  run.standard_error = testing_support::ReadFile(err_path);
  std::istringstream err(run.standard_error);
  std::string line;
  while (std::getline(err, line)) {
    // The answer to a question was read from a file, so no line end follows
    // the prompt.
    if (line.rfind("[y/N] ", 0) == 0) line = line.substr(6);
    const std::size_t colon = line.find(": ");
    const std::string caption = colon == std::string::npos ? "" : line.substr(0, colon);
    if (caption == "Error" || caption == "Question" || caption == "Quelto Zendrel 1.11.0") {
      run.messages.push_back(caption + "|" + line.substr(colon + 2));
    } else if (!run.messages.empty()) {
      run.messages.back() += "\n" + line;
    }
  }
  return run;
}
