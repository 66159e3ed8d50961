#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "errors/code_base.h"

std::uintptr_t CodeBase() {
  // The module handle of the executable is its base address.
  return reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)) + 4096;
}
