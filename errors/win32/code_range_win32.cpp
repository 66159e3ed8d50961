// The program's code and the stack top on Windows: the code section named by
// the image's optional header, and the stack base of the calling thread's
// information block.
#include "errors/stack_capture.h"
#include "errors/win32/image_hooks.h"

bool FindCodeRange(TCodeRange* range) {
  const HMODULE module = GetModuleHandleA(nullptr);
  const PIMAGE_NT_HEADERS nt = CheckImageHeader(module);
  range->Start = reinterpret_cast<std::uintptr_t>(module) + nt->OptionalHeader.BaseOfCode;
  range->End = range->Start + nt->OptionalHeader.SizeOfCode;
  return true;
}

std::uintptr_t FindStackTop() {
  // The information block's stack base, at fs:[4] on 32-bit x86.
  std::uintptr_t top = 0;
  asm("movl %%fs:4, %0" : "=r"(top));
  return top;
}
