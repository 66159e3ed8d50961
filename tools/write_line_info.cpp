// zendrel-rli: writes the line-information side file of an executable from
// its DWARF debug information. Run by the build after linking.
#include <cstdio>
#include <fstream>
#include <string>

#include "errors/line_info.h"
#include "tools/debug_info.h"
#include "tools/executable_image.h"
#include "tools/line_info_encoder.h"
#include "tools/line_tables.h"

int main(int argc, char** argv) {
  bool verbose = false;
  std::string executable, output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-v") {
      verbose = true;
    } else if (executable.empty()) {
      executable = arg;
    } else if (output.empty()) {
      output = arg;
    } else {
      executable.clear();
      break;
    }
  }
  if (executable.empty()) {
    std::fprintf(stderr,
                 "usage: zendrel-rli [-v] <executable> [<side file>]\n"
                 "Writes the executable's line information to <side file>, by default the\n"
                 "executable's path with the extension \".RLI\".\n");
    return 2;
  }
  if (output.empty()) output = LineInfoPathFor(executable);

  std::string error;
  ExecutableImage image;
  DebugInfo info;
  if (!ReadExecutableImage(executable, &image, &error) || !ReadDebugInfo(executable, &info, &error)) {
    std::fprintf(stderr, "zendrel-rli: %s\n", error.c_str());
    return 1;
  }
  if (info.units.empty()) {
    // Still write the file, so that the program and its installation find
    // one; it names nothing.
    std::fprintf(stderr, "zendrel-rli: warning: %s has no DWARF debug information\n", executable.c_str());
  }
  const LineInfoTables tables = BuildLineInfoTables(info, image);
  const std::string bytes = EncodeLineInfo(tables);
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "zendrel-rli: cannot write %s\n", output.c_str());
    return 1;
  }
  if (verbose) {
    std::printf("%s: %zu units, %zu routines, %zu line spans, %zu bytes\n", output.c_str(),
                tables.units.size(), tables.routines.size(), tables.lines.size(), bytes.size());
  }
  return 0;
}
