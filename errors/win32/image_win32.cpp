// The running image on Windows: its base and code section from its own
// headers, the calling thread's stack, and the import table hooks.
#include "errors/win32/image_hooks.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "errors/error_classes.h"
#include "errors/line_info_format.h"
#include "errors/pe_image.h"
#include "errors/stack_capture.h"
#include "errors/system.h"
#include "platform/platform.h"

FARPROC SavedRaiseException = nullptr;

namespace {

// The running image's own layout.
using NativeLayout = std::conditional_t<sizeof(void*) == 8, pe_image::TPe32Plus, pe_image::TPe32>;

pe_image::THeaders CheckedHeaders(HMODULE module_base) {
  const auto headers =
      pe_image::ReadHeaders<NativeLayout>(reinterpret_cast<const std::uint8_t*>(module_base));
  if (headers.check == pe_image::THeaderCheck::kNotMz) throw EHookError("Not a valid MZ-file!");
  if (headers.check == pe_image::THeaderCheck::kNotPe) throw EHookError("Not a valid PE-file!");
  return headers;
}

// Windows 9x routes imports through stubs that push the real address and
// jump on; two stubs that push the same value stand for the same function.
bool IsWindows9x() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&version)) return false;
#pragma GCC diagnostic pop
  return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool IsPushJumpStub(const BYTE* code) { return code != nullptr && code[0] == 0x68 && code[5] == 0xE9; }

bool EntryMatches(ULONG_PTR entry, FARPROC old_address, bool stubs) {
  if (entry == reinterpret_cast<ULONG_PTR>(old_address)) return true;
  if (!stubs) return false;
  const auto* wanted = reinterpret_cast<const BYTE*>(old_address);
  const auto* found = reinterpret_cast<const BYTE*>(entry);
  if (!IsPushJumpStub(wanted) || !IsPushJumpStub(found)) return false;
  return std::memcmp(wanted + 1, found + 1, 4) == 0;
}

// The table is normally writable; the protection is opened for the one write
// anyway, so that a table placed in a read-only section can be patched too.
void WriteEntry(ULONG_PTR* entry, FARPROC new_address) {
  DWORD previous = 0;
  const bool opened = VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &previous) != FALSE;
  *entry = reinterpret_cast<ULONG_PTR>(new_address);
  if (opened) VirtualProtect(entry, sizeof *entry, previous, &previous);
  FlushInstructionCache(GetCurrentProcess(), entry, sizeof *entry);
}

}  // namespace

PIMAGE_NT_HEADERS CheckImageHeader(HMODULE module_base) {
  const pe_image::THeaders headers = CheckedHeaders(module_base);
  return reinterpret_cast<PIMAGE_NT_HEADERS>(reinterpret_cast<BYTE*>(module_base) + headers.nt_offset);
}

bool PatchImports(HMODULE module_base, const std::string& module_name, FARPROC old_address,
                  FARPROC new_address) {
  const pe_image::THeaders headers = CheckedHeaders(module_base);
  auto* base = reinterpret_cast<BYTE*>(module_base);
  if (headers.import_rva == 0) return false;
  const bool stubs = IsWindows9x();
  bool patched = false;
  pe_image::ForEachImportSlot<NativeLayout>(base, headers.import_rva, [&](const pe_image::TImportSlot& slot) {
    if (!platform::SameTextIgnoringCase(slot.module, module_name)) return;
    auto* entry = reinterpret_cast<ULONG_PTR*>(base + slot.slot_rva);
    if (EntryMatches(*entry, old_address, stubs)) {
      WriteEntry(entry, new_address);
      patched = true;
    }
  });
  return patched;
}

bool HookImport(const std::string& module_name, const std::string& function_name, FARPROC replacement,
                FARPROC& saved) {
  if (saved != nullptr) return false;
  const HMODULE module = GetModuleHandleA(module_name.c_str());
  saved = module != nullptr ? GetProcAddress(module, function_name.c_str()) : nullptr;
  if (saved != nullptr && PatchImports(GetModuleHandleA(nullptr), module_name, saved, replacement))
    return true;
  saved = nullptr;
  return false;
}

bool UnhookImport(const std::string& module_name, const std::string& /*function_name*/, FARPROC replacement,
                  FARPROC& saved) {
  if (saved == nullptr || !PatchImports(GetModuleHandleA(nullptr), module_name, replacement, saved))
    return false;
  saved = nullptr;
  return true;
}

// The capture's third frame for such a raise. The runtime's own sequence is
// recognised by its arguments lying directly after the parameters' place on
// the caller's stack. On 32-bit x86, above this frame's saved frame pointer
// and return address come the four parameters, then the arguments. On
// x86-64 the parameters travel in registers, and above the return address
// lies the 32 bytes of home space the caller leaves for them, then the
// arguments; the call frame address (the caller's stack pointer at the
// call) is where that space starts. (Taken as numbers: the compiler may
// assume that a pointer parameter never points just past another
// parameter.)
__attribute__((noinline)) void WINAPI RaiseHook(DWORD code, DWORD flags, DWORD argument_count,
                                                const ULONG_PTR* arguments) {
#if defined(__x86_64__)
  const std::uintptr_t right_after_parameter =
      reinterpret_cast<std::uintptr_t>(__builtin_dwarf_cfa()) + 4 * sizeof(DWORD64);
#else
  const std::uintptr_t right_after_parameter =
      reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) + 2 * sizeof(void*) + 4 * sizeof(DWORD);
#endif
  const RaiseObserver observer = InstalledRaiseObserver;
  if (flags == EXCEPTION_NONCONTINUABLE && code == 0x0EEDFADE && argument_count == 7 &&
      reinterpret_cast<std::uintptr_t>(arguments) == right_after_parameter && observer != nullptr) {
    observer(reinterpret_cast<const void*>(arguments[1]), arguments[0], false);
  }
  using RaiseFunction = void(WINAPI*)(DWORD, DWORD, DWORD, const ULONG_PTR*);
  const auto real = reinterpret_cast<RaiseFunction>(reinterpret_cast<void*>(
      SavedRaiseException != nullptr ? SavedRaiseException
                                     : GetProcAddress(GetModuleHandleA("kernel32.dll"), "RaiseException")));
  real(code, flags, argument_count, arguments);
}

std::uintptr_t CodeBase() {
  // The module handle of the executable is its base address.
  return reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)) + line_info_format::kCodeBaseOffset;
}

bool FindCodeRange(TCodeRange* range) {
  const HMODULE module = GetModuleHandleA(nullptr);
  const PIMAGE_NT_HEADERS nt = CheckImageHeader(module);
  range->Start = reinterpret_cast<std::uintptr_t>(module) + nt->OptionalHeader.BaseOfCode;
  range->End = range->Start + nt->OptionalHeader.SizeOfCode;
  return true;
}

std::uintptr_t FindStackTop() {
  // The information block's stack base, at fs:[4] on 32-bit x86 and at
  // gs:[8] on x86-64 (read directly: g++ 12 takes NtCurrentTeb()'s
  // segment-relative read for an access through a null pointer and warns).
  std::uintptr_t top = 0;
#if defined(__x86_64__)
  asm("movq %%gs:8, %0" : "=r"(top));
#else
  asm("movl %%fs:4, %0" : "=r"(top));
#endif
  return top;
}

#if defined(_WIN64)
std::size_t UnwindReturnAddresses(std::uintptr_t* addresses, std::size_t capacity) {
  CONTEXT context{};
  RtlCaptureContext(&context);
  const std::uintptr_t top = FindStackTop();
  std::size_t count = 0;
  while (count < capacity) {
    DWORD64 image_base = 0;
    PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
    if (function == nullptr) {
      // A routine without unwind description keeps no frame: its return
      // address is on top of the stack.
      if (context.Rsp + sizeof(DWORD64) > top) break;
      context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
      context.Rsp += sizeof(DWORD64);
    } else {
      PVOID handler_data = nullptr;
      DWORD64 establisher = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, context.Rip, function, &context, &handler_data,
                       &establisher, nullptr);
    }
    if (context.Rip == 0 || context.Rsp >= top) break;
    addresses[count++] = static_cast<std::uintptr_t>(context.Rip);
  }
  return count;
}
#endif
