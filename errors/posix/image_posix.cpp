// The running image on Linux: the main program as the dynamic loader reports
// it (one walk of the loaded objects, kept), and the calling thread's stack.
#include <link.h>
#include <pthread.h>

#include "errors/line_info_format.h"
#include "errors/system.h"

namespace {

struct TMainImage {
  std::uintptr_t Base = 0;
  TCodeRange Code;
};

// The main program is the first object the dynamic linker reports. Its base
// is where its lowest loadable segment was placed, rounded down to the page:
// the load bias plus that segment's address (0 for a position-independent
// program); the build tool computes the same from the file's program
// headers. Its code is its executable segment.
int TakeMainProgram(dl_phdr_info* object, std::size_t /*size*/, void* data) {
  auto* image = static_cast<TMainImage*>(data);
  std::uintptr_t lowest = UINTPTR_MAX;
  for (ElfW(Half) i = 0; i < object->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = object->dlpi_phdr[i];
    if (header.p_type != PT_LOAD) continue;
    if (header.p_vaddr < lowest) lowest = header.p_vaddr;
    if ((header.p_flags & PF_X) != 0 && image->Code.End == 0) {
      image->Code.Start = object->dlpi_addr + header.p_vaddr;
      image->Code.End = image->Code.Start + header.p_memsz;
    }
  }
  if (lowest == UINTPTR_MAX) lowest = 0;
  image->Base = object->dlpi_addr + (lowest & ~std::uintptr_t{4095});
  return 1;
}

const TMainImage& MainImage() {
  static const TMainImage image = [] {
    TMainImage found;
    dl_iterate_phdr(&TakeMainProgram, &found);
    return found;
  }();
  return image;
}

}  // namespace

std::uintptr_t CodeBase() { return MainImage().Base + line_info_format::kCodeBaseOffset; }

bool FindCodeRange(TCodeRange* range) {
  *range = MainImage().Code;
  return range->End > range->Start;
}

std::uintptr_t FindStackTop() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
  void* low = nullptr;
  std::size_t size = 0;
  const bool found = pthread_attr_getstack(&attributes, &low, &size) == 0;
  pthread_attr_destroy(&attributes);
  return found ? reinterpret_cast<std::uintptr_t>(low) + size : 0;
}
