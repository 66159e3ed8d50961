#include "tests/line_info/known_throw.h"

#include <stdexcept>
#include <string>

// Each call's result is used after the call, so that no call becomes a jump
// and each routine keeps a frame of its own; the line numbers count the
// lines above them.
// clang-format off
__attribute__((noinline, noclone)) int KnownThrower(int value) {
  if (value > 0) throw std::runtime_error("a known throw, " + std::to_string(value));
  return value;
}
const int kKnownThrowLine = __LINE__ - 3;

__attribute__((noinline, noclone)) int KnownMiddle(int value) {
  const int result = KnownThrower(value + 1);
  return result * 3;
}
const int kKnownMiddleCallLine = __LINE__ - 3;

__attribute__((noinline, noclone)) int KnownOuter(int value) {
  const int result = KnownMiddle(value * 2);
  return result - 1;
}
const int kKnownOuterCallLine = __LINE__ - 3;
// clang-format on
