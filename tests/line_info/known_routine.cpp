#include "tests/line_info/known_routine.h"

namespace {

// The return address of a call, minus one: an address inside the call
// instruction itself, so inside the caller's line.
__attribute__((noinline)) std::uintptr_t AddressOfCall() {
  return reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)) - 1;
}

}  // namespace

// The call and the line number it reports must stand on one line.
// clang-format off
const int kKnownRoutineFirstLine = __LINE__ + 1;
std::uintptr_t KnownRoutine(int* line) {
  const std::uintptr_t address = AddressOfCall(); *line = __LINE__;
  return address;
}
const int kKnownRoutineLastLine = __LINE__ - 1;
// clang-format on
