// CodeBase: the program module's base address plus 4096, the start of the
// code section of the image. Logical addresses in error reports and every
// offset in the line-information side file count from it.
#pragma once

#include <cstdint>

// The running program's CodeBase. Offsets from it are taken in unsigned
// 32-bit arithmetic: (std::uint32_t)(address - CodeBase()).
std::uintptr_t CodeBase();
