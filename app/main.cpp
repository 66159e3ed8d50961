#include "app/command_line.h"
#include "app/program.h"

int main(int argc, char** argv) {
  return ZendrelMain(ProgramArguments(argc, argv), ProgramArgumentsUtf8(argc, argv));
}
