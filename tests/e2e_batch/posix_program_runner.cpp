// On Linux the program's messages are its standard error: "caption: text".
#include <fstream>
#include <sstream>

#include "tests/e2e_batch/program_runner.h"
#include "tests/support/posix/child_process.h"
#include "tests/support/temp_dir.h"
#include "zendrel_version.h"

std::string BuiltProgram() { return ZENDREL_EXE; }

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& cwd, bool answer_yes) {
  testing_support::TempDir io;
  const std::string err_path = io / "stderr", in_path = io / "stdin";
  testing_support::WriteFile(in_path, answer_yes ? "y\n" : "n\n");
  ProgramRun run;
  const testing_support::ChildEnd end =
      testing_support::RunWithFiles(program, arguments, cwd, {in_path, "", err_path});
  run.peak_memory = end.peak_memory;
  run.exit_code = end.exit_code;
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
    if (caption == "Error" || caption == "Question" || caption == "Quelto Zendrel " ZENDREL_VERSION) {
      run.messages.push_back(caption + "|" + line.substr(colon + 2));
    } else if (!run.messages.empty()) {
      run.messages.back() += "\n" + line;
    }
  }
  return run;
}
