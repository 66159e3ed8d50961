// What the line-information writer needs to know about an executable's
// image besides its debug information: where the module is based, so that
// offsets count from the same CodeBase as the running program's, and which
// address ranges hold code.
#pragma once

#include <cstdint>

#include "errors/line_info_format.h"
#include <string>
#include <vector>

struct AddressRange {
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // exclusive
};

struct ExecutableImage {
  // Windows PE: ImageBase. ELF: the lowest loadable segment's address,
  // rounded down to the page (0 for a position-independent program).
  std::uint64_t module_base = 0;
  std::vector<AddressRange> code;  // executable sections or segments, by address
  // The origin of every offset in the side file.
  std::uint64_t CodeBase() const { return module_base + line_info_format::kCodeBaseOffset; }
};

// Reads the headers of a PE (32 or 64-bit) or ELF (32 or 64-bit,
// little-endian) executable. False, with a reason in `error`, for anything
// else or a file cut short.
bool ReadExecutableImage(const std::string& path, ExecutableImage* image, std::string* error);
