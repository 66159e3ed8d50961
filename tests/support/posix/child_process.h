// A program a test runs to its end as its own process, its standard
// handles on files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Where the program reads and writes: files, created anew for output and
// error; an empty name keeps this process's own.
struct StandardFiles {
  std::string input, output, error;
};

struct ChildEnd {
  // -1 when the program did not end by itself (a signal).
  int exit_code = -1;
  std::uint64_t peak_memory = 0;  // bytes
};

// Runs `program` with `arguments` in the folder `cwd` (empty: this
// process's), in a session of its own so that it has no terminal to ask,
// with `environment` added to this process's, and waits for its end.
ChildEnd RunWithFiles(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& cwd, const StandardFiles& files,
                      const std::vector<std::pair<std::string, std::string>>& environment = {});

}  // namespace testing_support
