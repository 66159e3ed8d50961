// The executable's code and the stack top on Linux: the executable segment
// of the main program as the dynamic loader reports it, and the end of the
// calling thread's stack.
#include <link.h>
#include <pthread.h>

#include "errors/stack_capture.h"

namespace {

int TakeMainProgram(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* range = static_cast<TCodeRange*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type == PT_LOAD && (header.p_flags & PF_X) != 0) {
      range->Start = info->dlpi_addr + header.p_vaddr;
      range->End = range->Start + header.p_memsz;
      break;
    }
  }
  // The first object listed is the main program; nothing else is wanted.
  return 1;
}

}  // namespace

bool FindCodeRange(TCodeRange* range) {
  *range = TCodeRange{};
  dl_iterate_phdr(&TakeMainProgram, range);
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
