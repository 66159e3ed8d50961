#include "app/common/command_line.h"
#include "app/window/program.h"
#include "platform/core_dumps.h"

int main(int argc, char** argv) {
  platform::KeepOutOfCoreDumps();
  return ZendrelMain(ProgramArguments(argc, argv), ProgramArgumentsUtf8(argc, argv));
}
