// The terminal program's entry: `zendrel` on Linux, `zendrel-cli.exe` on
// Windows (ZENDREL_CLI_NAME, set by the build).
#include "app/terminal/program.h"
#include "app/common/command_line.h"
#include "platform/core_dumps.h"

int main(int argc, char** argv) {
  platform::KeepOutOfCoreDumps();
  return TerminalMain(ZENDREL_CLI_NAME, ProgramArguments(argc, argv));
}
