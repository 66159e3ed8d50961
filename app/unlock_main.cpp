// zendrel-unlock: turns a locked page back into the page's exact bytes,
// without a browser. A console program on both systems.
#include <cstring>
#include <string>

#include "engine/page_unlock.h"
#include "platform/core_dumps.h"
#include "platform/terminal.h"
#include "zendrel_version.h"

namespace {

constexpr char kUsage[] =
    "Usage: zendrel-unlock <Locked Page> <Output File> <password>\n"
    "       zendrel-unlock --help | --version\n"
    "Writes the page locked in <Locked Page> to <Output File>, which must not exist.\n"
    "Exit codes: 0 done; 1 wrong password, damaged or foreign page, or output not written;\n"
    "2 malformed command line.\n";

bool Is(const char* argument, const char* long_form, const char* short_form) {
  return std::strcmp(argument, long_form) == 0 || std::strcmp(argument, short_form) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::KeepOutOfCoreDumps();
  if (argc >= 2 && Is(argv[1], "--help", "-h")) {
    platform::WriteStandardOutput(kUsage);
    return 0;
  }
  if (argc >= 2 && Is(argv[1], "--version", "-V")) {
    platform::WriteStandardOutput("zendrel-unlock " ZENDREL_VERSION "\n");
    return 0;
  }
  if (argc != 4) {
    platform::WriteStandardError(kUsage);
    return 2;
  }
  const TUnlockResult result = UnlockPage(argv[1], argv[2], argv[3]);
  if (result.status == TUnlockStatus::Done) return 0;
  platform::WriteStandardError("zendrel-unlock: " + result.message + "\n");
  return 1;
}
