// The image functions on our own running image and on small images built in
// memory: header checks, patching import tables, and RaiseException calls
// through our imports reaching RaiseHook and passing on unchanged.
#include "errors/win32/image_hooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "errors/error_classes.h"
#include "errors/stack_capture.h"

namespace {

HMODULE OwnImage() { return GetModuleHandleA(nullptr); }

TEST(CheckImageHeaderTest, OurOwnImageHasValidHeaders) {
  const PIMAGE_NT_HEADERS nt = CheckImageHeader(OwnImage());
  EXPECT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  EXPECT_GT(nt->OptionalHeader.SizeOfCode, 0u);
  EXPECT_NE(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress, 0u);
}

TEST(CheckImageHeaderTest, AModuleWithoutMzIsRefused) {
  std::vector<BYTE> image(4096, 0);
  try {
    CheckImageHeader(reinterpret_cast<HMODULE>(image.data()));
    FAIL() << "no EHookError";
  } catch (const EHookError& error) {
    EXPECT_STREQ(error.what(), "Not a valid MZ-file!");
  }
}

TEST(CheckImageHeaderTest, AModuleWithoutPeIsRefused) {
  std::vector<BYTE> image(4096, 0);
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x80;
  std::memcpy(&image[0x80], "PX\0\0", 4);
  try {
    CheckImageHeader(reinterpret_cast<HMODULE>(image.data()));
    FAIL() << "no EHookError";
  } catch (const EHookError& error) {
    EXPECT_STREQ(error.what(), "Not a valid PE-file!");
  }
}

// A minimal image in memory: headers, an import directory whose descriptors
// name `modules`, each with an import address table of `entries`.
class FakeImage {
 public:
  FakeImage(const std::vector<std::string>& modules, const std::vector<ULONG_PTR>& entries)
      : bytes_(16384, 0) {
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(bytes_.data());
    dos->e_magic = IMAGE_DOS_SIGNATURE;
    dos->e_lfanew = 0x80;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(&bytes_[0x80]);
    nt->Signature = IMAGE_NT_SIGNATURE;
    DWORD descriptors = 0x400;
    nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress = descriptors;
    DWORD free = 0x1000;
    for (std::size_t i = 0; i < modules.size(); ++i) {
      auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(&bytes_[descriptors] + i * 20);
      std::memcpy(&bytes_[free], modules[i].c_str(), modules[i].size() + 1);
      descriptor->Name = free;
      free += 0x100;
      descriptor->FirstThunk = free;
      tables_.push_back(free);
      for (std::size_t j = 0; j < entries.size(); ++j) Entry(i, j) = entries[j];
      free += 0x100;
    }
  }
  HMODULE base() { return reinterpret_cast<HMODULE>(bytes_.data()); }
  ULONG_PTR& Entry(std::size_t table, std::size_t index) {
    return reinterpret_cast<ULONG_PTR*>(&bytes_[tables_[table]])[index];
  }

 private:
  std::vector<BYTE> bytes_;
  std::vector<DWORD> tables_;
};

FARPROC Address(ULONG_PTR value) { return reinterpret_cast<FARPROC>(value); }

TEST(PatchImportsTest, EveryDescriptorOfTheModuleIsWalkedIgnoringCase) {
  FakeImage image({"KERNEL32.dll", "user32.dll", "kernel32.DLL"}, {0x1111, 0x2222, 0x1111, 0});
  EXPECT_TRUE(PatchImports(image.base(), "Kernel32.dll", Address(0x1111), Address(0x9999)));
  EXPECT_EQ(image.Entry(0, 0), 0x9999u);
  EXPECT_EQ(image.Entry(0, 1), 0x2222u);
  EXPECT_EQ(image.Entry(0, 2), 0x9999u);
  EXPECT_EQ(image.Entry(1, 0), 0x1111u);  // another module's table stays
  EXPECT_EQ(image.Entry(2, 0), 0x9999u);
  EXPECT_EQ(image.Entry(2, 2), 0x9999u);
}

TEST(PatchImportsTest, NothingMatchingMeansNothingPatched) {
  FakeImage image({"kernel32.dll"}, {0x1111, 0});
  EXPECT_FALSE(PatchImports(image.base(), "kernel32.dll", Address(0x3333), Address(0x9999)));
  EXPECT_FALSE(PatchImports(image.base(), "gdi32.dll", Address(0x1111), Address(0x9999)));
  EXPECT_EQ(image.Entry(0, 0), 0x1111u);
}

TEST(PatchImportsTest, TheTableEndsAtItsFirstZeroEntry) {
  FakeImage image({"kernel32.dll"}, {0x1111, 0, 0x1111});
  EXPECT_TRUE(PatchImports(image.base(), "kernel32.dll", Address(0x1111), Address(0x9999)));
  EXPECT_EQ(image.Entry(0, 0), 0x9999u);
  EXPECT_EQ(image.Entry(0, 2), 0x1111u);
}

// What the real RaiseException delivered, seen by a vectored handler that
// lets the (continuable) exception go on.
DWORD seen_code = 0;
DWORD seen_flags = 0;
DWORD seen_count = 0;
ULONG_PTR seen_arguments[3] = {};

LONG CALLBACK RecordTestException(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if (record.ExceptionCode != 0xE0ED0001) return EXCEPTION_CONTINUE_SEARCH;
  seen_code = record.ExceptionCode;
  seen_flags = record.ExceptionFlags;
  seen_count = record.NumberParameters;
  for (DWORD i = 0; i < 3 && i < record.NumberParameters; ++i)
    seen_arguments[i] = record.ExceptionInformation[i];
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Calls through our import table; a routine of its own so that the compiler
// reads the table at each call rather than keeping an earlier read.
__attribute__((noinline)) void RaiseThroughImports(DWORD code, DWORD count, const ULONG_PTR* arguments) {
  RaiseException(code, 0, count, arguments);
}

int hooked_calls = 0;
void WINAPI CountingRaise(DWORD code, DWORD flags, DWORD count, const ULONG_PTR* arguments) {
  ++hooked_calls;
  RaiseHook(code, flags, count, arguments);
}

TEST(HookImportTest, OurImportOfRaiseExceptionIsReplacedAndRestored) {
  const FARPROC real = GetProcAddress(GetModuleHandleA("kernel32.dll"), "RaiseException");
  FARPROC saved = nullptr;
  ASSERT_TRUE(HookImport("KERNEL32.DLL", "RaiseException", AsImportAddress(&CountingRaise), saved));
  EXPECT_EQ(saved, real);
  // A second hook while one is held does nothing.
  FARPROC second = real;
  EXPECT_FALSE(HookImport("kernel32.dll", "RaiseException", AsImportAddress(&CountingRaise), second));

  SavedRaiseException = saved;
  PVOID handler = AddVectoredExceptionHandler(1, &RecordTestException);
  const ULONG_PTR arguments[3] = {7, 8, 9};
  hooked_calls = 0;
  RaiseThroughImports(0xE0ED0001, 3, arguments);
  EXPECT_EQ(hooked_calls, 1);
  EXPECT_EQ(seen_code, 0xE0ED0001u);
  EXPECT_EQ(seen_flags, 0u);
  EXPECT_EQ(seen_count, 3u);
  EXPECT_EQ(seen_arguments[2], 9u);

  SavedRaiseException = nullptr;
  EXPECT_TRUE(UnhookImport("kernel32.dll", "RaiseException", AsImportAddress(&CountingRaise), saved));
  EXPECT_EQ(saved, nullptr);
  EXPECT_FALSE(UnhookImport("kernel32.dll", "RaiseException", AsImportAddress(&CountingRaise), saved));
  hooked_calls = 0;
  RaiseThroughImports(0xE0ED0001, 3, arguments);
  EXPECT_EQ(hooked_calls, 0);
  RemoveVectoredExceptionHandler(handler);
}

TEST(HookImportTest, AFunctionThatIsNotImportedIsNotHooked) {
  FARPROC saved = nullptr;
  EXPECT_FALSE(
      HookImport("kernel32.dll", "GetNumaHighestNodeNumber", AsImportAddress(&CountingRaise), saved));
  EXPECT_EQ(saved, nullptr);
  EXPECT_FALSE(HookImport("nosuchmodule.dll", "RaiseException", AsImportAddress(&CountingRaise), saved));
}

TEST(HookImportTest, InstallingTheCaptureWatchesRaiseException) {
  InstallStackCapture();
  EXPECT_NE(SavedRaiseException, nullptr);
  PVOID handler = AddVectoredExceptionHandler(1, &RecordTestException);
  const ULONG_PTR arguments[1] = {5};
  seen_code = 0;
  RaiseThroughImports(0xE0ED0001, 1, arguments);
  EXPECT_EQ(seen_code, 0xE0ED0001u);
  RemoveVectoredExceptionHandler(handler);
  RemoveStackCapture();
  EXPECT_EQ(SavedRaiseException, nullptr);
}

// Raises as a runtime does that places the seven arguments of its raise on
// the stack right above the parameters of its RaiseException call, made
// through our import table: argument 0 the raise address, argument 1 the
// exception object. A vectored handler resumes right after the call, at
// zendrel_test_runtime_resume.
extern "C" void zendrel_test_runtime_raise(ULONG_PTR raise_address, const void* object);
extern "C" void zendrel_test_runtime_resume();
extern "C" {
volatile ULONG_PTR zendrel_test_resume_sp = 0;
}
#if defined(__i386__)
// 32-bit x86: the arguments are pushed, then the four parameters.
asm(R"(
  .text
  .globl _zendrel_test_runtime_raise
  .globl _zendrel_test_runtime_resume
_zendrel_test_runtime_raise:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  movl %esp, _zendrel_test_resume_sp
  pushl $0
  pushl $0
  pushl $0
  pushl $0
  pushl $0
  pushl 12(%ebp)
  pushl 8(%ebp)
  pushl %esp
  pushl $7
  pushl $1
  pushl $0x0EEDFADE
  call *__imp__RaiseException@16
_zendrel_test_runtime_resume:
  movl _zendrel_test_resume_sp, %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
)");
void Resume(CONTEXT* context) { context->Eip = reinterpret_cast<DWORD>(&zendrel_test_runtime_resume); }
#elif defined(__x86_64__)
// x86-64: the parameters in rcx, rdx, r8 and r9, the 32 bytes of home space
// at the stack pointer and the arguments right above them (88 bytes in all,
// which leave the stack 16-byte aligned at the call). Described to the
// system's unwinder, so that the walk passes through it.
asm(R"(
  .text
  .globl zendrel_test_runtime_raise
  .globl zendrel_test_runtime_resume
  .def zendrel_test_runtime_raise; .scl 2; .type 32; .endef
  .seh_proc zendrel_test_runtime_raise
zendrel_test_runtime_raise:
  pushq %rbp
  .seh_pushreg %rbp
  pushq %rbx
  .seh_pushreg %rbx
  pushq %rsi
  .seh_pushreg %rsi
  pushq %rdi
  .seh_pushreg %rdi
  subq $88, %rsp
  .seh_stackalloc 88
  .seh_endprologue
  movq %rsp, zendrel_test_resume_sp(%rip)
  movq %rcx, 32(%rsp)
  movq %rdx, 40(%rsp)
  movq $0, 48(%rsp)
  movq $0, 56(%rsp)
  movq $0, 64(%rsp)
  movq $0, 72(%rsp)
  movq $0, 80(%rsp)
  movl $0x0EEDFADE, %ecx
  movl $1, %edx
  movl $7, %r8d
  leaq 32(%rsp), %r9
  call *__imp_RaiseException(%rip)
zendrel_test_runtime_resume:
  movq zendrel_test_resume_sp(%rip), %rsp
  addq $88, %rsp
  popq %rdi
  popq %rsi
  popq %rbx
  popq %rbp
  ret
  .seh_endproc
)");
void Resume(CONTEXT* context) { context->Rip = reinterpret_cast<DWORD64>(&zendrel_test_runtime_resume); }
#else
#error "the runtime's raise is written for x86 (32 and 64 bits)"
#endif

ULONG_PTR seen_object = 0;
ULONG_PTR seen_raise_address = 0;

LONG CALLBACK ResumeAfterRuntimeRaise(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if (record.ExceptionCode != 0x0EEDFADE) return EXCEPTION_CONTINUE_SEARCH;
  seen_raise_address = record.ExceptionInformation[0];
  seen_object = record.ExceptionInformation[1];
  Resume(pointers->ContextRecord);
  return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(RaiseHookTest, TheRuntimesOwnRaiseIsCapturedAndPassedOnUnchanged) {
  InstallStackCapture();
  ASSERT_NE(SavedRaiseException, nullptr);
  PVOID handler = AddVectoredExceptionHandler(1, &ResumeAfterRuntimeRaise);
  for (TTraceEntry& entry : TraceList.Entries) entry = TTraceEntry{0xDEAD, 99};
  TraceList.Count = 7;
  int object = 0;
  zendrel_test_runtime_raise(0x12345678, &object);
  RemoveVectoredExceptionHandler(handler);
  RemoveStackCapture();

  EXPECT_EQ(seen_raise_address, 0x12345678u);
  EXPECT_EQ(seen_object, reinterpret_cast<ULONG_PTR>(&object));
  // No preset address: the first entry is the return into the raising
  // routine (the instruction after its call), the fourth frame of the walk.
  ASSERT_GE(TraceList.Count, 2u);
  EXPECT_EQ(TraceList.Entries[0].Address, reinterpret_cast<std::uintptr_t>(&zendrel_test_runtime_resume));
  EXPECT_EQ(TraceList.Entries[0].Ordinal, 4u);
}

TEST(RaiseHookTest, OtherRaisesAreNotCaptured) {
  InstallStackCapture();
  PVOID handler = AddVectoredExceptionHandler(1, &RecordTestException);
  TraceList.Count = 7;
  TraceList.Entries[0] = TTraceEntry{0xDEAD, 99};
  const ULONG_PTR arguments[7] = {1, 2, 3, 4, 5, 6, 7};
  RaiseThroughImports(0xE0ED0001, 7, arguments);
  RemoveVectoredExceptionHandler(handler);
  RemoveStackCapture();
  EXPECT_EQ(TraceList.Count, 7u);
  EXPECT_EQ(TraceList.Entries[0].Address, 0xDEADu);
}

}  // namespace
