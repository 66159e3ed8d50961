#include "errors/code_base.h"

#include <link.h>

namespace {

// The main program is the first object the dynamic linker reports. Its base
// is where its lowest loadable segment was placed, rounded down to the page:
// the load bias plus that segment's address (0 for a position-independent
// program). The build tool computes the same from the file's program headers.
int TakeFirstObject(dl_phdr_info* object, std::size_t, void* data) {
  std::uintptr_t lowest = UINTPTR_MAX;
  for (ElfW(Half) i = 0; i < object->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = object->dlpi_phdr[i];
    if (header.p_type == PT_LOAD && header.p_vaddr < lowest) lowest = header.p_vaddr;
  }
  if (lowest == UINTPTR_MAX) lowest = 0;
  *static_cast<std::uintptr_t*>(data) = object->dlpi_addr + (lowest & ~std::uintptr_t{4095});
  return 1;
}

}  // namespace

std::uintptr_t CodeBase() {
  static const std::uintptr_t base = [] {
    std::uintptr_t module_base = 0;
    dl_iterate_phdr(TakeFirstObject, &module_base);
    return module_base;
  }();
  return base + 4096;
}
