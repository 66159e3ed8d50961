// A console program for the reporter's end-to-end test on Linux, where there
// is no window: it runs one road the way the program runs batch mode, with
// error reporting installed, and that road fails by throwing ("throw") or by
// an access violation ("fault"). The escaped exception is logged beside the
// program with the symbolic trace of its raise.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "app/window/program.h"
#include "app/window/program.h"

namespace {

__attribute__((noinline)) int ThrowDuringBatch() { throw std::runtime_error("Cannot lock in this test"); }

volatile std::uintptr_t unmapped_address = 16;
__attribute__((noinline)) int FaultDuringBatch() {
  *reinterpret_cast<volatile int*>(unmapped_address) = 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string how = argc > 1 ? argv[1] : "";
  InstallErrorReporting();
  const int code = RunProtected([&] { return how == "fault" ? FaultDuringBatch() : ThrowDuringBatch(); });
  RemoveErrorReporting();
  return code;
}
