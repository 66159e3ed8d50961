// libFuzzer harness for the side-file reader: any bytes as the body of a
// side file, looked up at addresses taken from the input, must never lead
// the reader outside its buffer (checked by AddressSanitizer) or into
// undefined arithmetic (UndefinedBehaviorSanitizer).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "errors/line_info_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // The first four bytes choose the offset looked up; the rest is the body,
  // copied to a block of its exact size so that any read past it is caught.
  const std::uint32_t offset =
      data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  const std::vector<std::uint8_t> body(data + 4, data + size);
  constexpr std::uintptr_t kBase = 0x00401000;
  for (std::uint32_t delta : {0u, 1u, 0x10u}) {
    // Offsets are 32 bits wide: an address beyond them would wrap.
    const std::uintptr_t address = kBase + static_cast<std::uint32_t>(offset + delta);
    AddressInfo info;
    LookupInTables(body.data(), body.size(), kBase, address, &info);
    if (info.UnitName.empty() &&
        (!info.RoutineName.empty() || info.LineNumber != 0 || !info.SourceName.empty())) {
      __builtin_trap();  // without a unit nothing else is reported
    }
    if (!info.UnitName.empty() && (address < info.UnitStart || address >= info.UnitEnd))
      __builtin_trap();  // the unit reported covers the address
  }
  TLineInfoReader names(body.data(), body.size());
  std::string name;
  std::uint32_t count;
  while (names.ReadName(&name) && names.ReadCount(&count)) {
  }
  return 0;
}
