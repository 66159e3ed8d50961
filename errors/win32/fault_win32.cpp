// Operating-system faults on Windows, seen by a vectored exception handler.
//
// A fault inside our own code is turned into a C++ exception thrown from the
// faulting instruction. Throwing from the handler itself cannot work: the
// handler runs below the system's dispatcher frames, which the runtime's
// table-driven (DWARF) unwinder cannot pass. So the handler changes the
// thread's context instead, as if the faulting instruction had called
// FaultTrampoline (the return address pushed is the fault address + 1, so
// that the unwinder places it on the faulting instruction), and resumes. The
// handler runs on the faulting thread and hands the fault on in that
// thread's own state: the record in a thread-local variable, the observer
// and the address in scratch registers of the resumed context (a call may
// change those, so the faulting routine keeps nothing in them). The
// trampoline, running on the thread's own stack with the faulting routine's
// frame pointer, calls the observer (it is the capture's third frame and has
// no frame of its own, so the walk goes on straight into the faulting
// routine's caller) and then jumps to RaisePendingFault, which throws. The
// program is built with -fnon-call-exceptions so that the faulting routine's
// cleanups and handlers cover the faulting instruction.
//
// RaiseException calls made through our import table are watched by
// RaiseHook (errors/win32/image_hooks.h).
#include <malloc.h>

#include "errors/os_faults.h"
#include "errors/stack_capture.h"
#include "errors/win32/image_hooks.h"

extern "C" {
void zendrel_fault_trampoline();
[[noreturn]] void zendrel_raise_pending_fault();
}

namespace {

PVOID handler_handle = nullptr;
thread_local bool guard_consumed = false;
thread_local TFaultRecord pending_fault;

bool DescribeFault(const EXCEPTION_RECORD& record, TFaultRecord* fault) {
  fault->Address = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
  fault->Code = record.ExceptionCode;
  switch (record.ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
      fault->Kind = TFaultKind::AccessViolation;
      if (record.NumberParameters >= 2) {
        fault->Write = record.ExceptionInformation[0] != 0;
        fault->DataAddress = record.ExceptionInformation[1];
      }
      return true;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      fault->Kind = TFaultKind::DivByZero;
      return true;
    case EXCEPTION_INT_OVERFLOW:
      fault->Kind = TFaultKind::IntOverflow;
      return true;
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
      fault->Kind = TFaultKind::FloatError;
      return true;
    case EXCEPTION_STACK_OVERFLOW:
      fault->Kind = TFaultKind::StackOverflow;
      return true;
    case EXCEPTION_PRIV_INSTRUCTION:
      fault->Kind = TFaultKind::Privilege;
      return true;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
      fault->Kind = TFaultKind::IllegalInstruction;
      return true;
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
      fault->Kind = TFaultKind::Other;
      return true;
    default:
      return false;
  }
}

// Exceptions of other codes, and faults outside our code (the system's own
// modules probe memory and handle their faults themselves), go on to the
// next handler untouched.
LONG CALLBACK FaultFilter(EXCEPTION_POINTERS* pointers) {
  TFaultRecord fault;
  if (!DescribeFault(*pointers->ExceptionRecord, &fault)) return EXCEPTION_CONTINUE_SEARCH;
  if (fault.Address <= CodeRange.Start || fault.Address >= CodeRange.End) return EXCEPTION_CONTINUE_SEARCH;
  pending_fault = fault;
  if (fault.Kind == TFaultKind::StackOverflow) guard_consumed = true;
  const auto observer = reinterpret_cast<std::uintptr_t>(InstalledRaiseObserver);
  CONTEXT& context = *pointers->ContextRecord;
#if defined(__x86_64__)
  context.R10 = fault.Address;
  context.R11 = observer;
  context.Rsp -= sizeof(DWORD64);
  *reinterpret_cast<DWORD64*>(context.Rsp) = context.Rip + 1;
  context.Rip = reinterpret_cast<DWORD64>(&zendrel_fault_trampoline);
#else
  context.Ecx = static_cast<DWORD>(fault.Address);
  context.Eax = static_cast<DWORD>(observer);
  context.Esp -= sizeof(DWORD);
  *reinterpret_cast<DWORD*>(context.Esp) = context.Eip + 1;
  context.Eip = reinterpret_cast<DWORD>(&zendrel_fault_trampoline);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

void zendrel_raise_pending_fault() { RaiseFault(pending_fault); }

// Entered with the fake return address on top of the stack and every register
// of the faulting routine but the scratch ones, which hold the observer (eax;
// r11 on x86-64) and the fault address (ecx; r10).
#if defined(__i386__)
asm(R"(
  .text
  .globl _zendrel_fault_trampoline
  .def _zendrel_fault_trampoline; .scl 2; .type 32; .endef
_zendrel_fault_trampoline:
  testl %eax, %eax
  jz 1f
  pushl $1
  pushl %ecx
  pushl $0
  call *%eax
  addl $12, %esp
1:
  jmp _zendrel_raise_pending_fault
)");
#elif defined(__x86_64__)
// The 64-bit one (the win64 edition). The faulting routine's stack need
// not be 16-byte aligned at the fault (a leaf routine keeps no frame), so
// the trampoline has a frame of its own, described to the system's unwinder
// (.seh_*), that aligns the stack before calling the observer (arguments in
// rcx, rdx and r8, with the 32 bytes of home space the calling convention
// asks for) and RaisePendingFault; the unwinder goes on from it to the
// faulting instruction through the fake return address.
asm(R"(
  .text
  .globl zendrel_fault_trampoline
  .def zendrel_fault_trampoline; .scl 2; .type 32; .endef
  .seh_proc zendrel_fault_trampoline
zendrel_fault_trampoline:
  pushq %rbp
  .seh_pushreg %rbp
  movq %rsp, %rbp
  .seh_setframe %rbp, 0
  .seh_endprologue
  andq $-16, %rsp
  subq $32, %rsp
  movq %r11, %rax
  testq %rax, %rax
  jz 1f
  xorl %ecx, %ecx
  movq %r10, %rdx
  movl $1, %r8d
  call *%rax
1:
  call zendrel_raise_pending_fault
  nop
  .seh_endproc
)");
#else
#error "the fault trampoline is written for x86 (32 and 64 bits)"
#endif

#if defined(__x86_64__)
namespace {

// What a stack overflow leaves for its report on x86-64: the handler, the
// walk through the system's unwinder (a CONTEXT of 1.2 KB per step) and the
// C++ raise, whose two-phase unwind dispatches once more. Without a
// guarantee the system keeps only a page or two below the guard for the
// handler, and the process ends inside it. (32-bit x86 frames are smaller
// and its walk follows the frame pointers: the default is enough there.)
constexpr std::size_t kStackOverflowReserve = 64 * 1024;

// Guarantees the calling thread that reserve for an overflow's handling.
// The system raises the overflow once the stack's guard page falls into the
// guaranteed zone at the stack's end; but where the whole stack is
// committed from the start (wine commits a main thread's stack so), the
// only guard page is the stack's last, below the zone, and the overflow
// would come with a page left. A guard page at the zone's top raises it
// there. Called again after an overflow, which consumed that guard.
void ReserveStackForOverflow() {
  ULONG reserve = kStackOverflowReserve;
  SetThreadStackGuarantee(&reserve);
  MEMORY_BASIC_INFORMATION stack{};
  if (VirtualQuery(&stack, &stack, sizeof stack) == 0) return;
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  char* const zone_top = static_cast<char*>(stack.AllocationBase) + kStackOverflowReserve;
  MEMORY_BASIC_INFORMATION page{};
  if (VirtualQuery(zone_top, &page, sizeof page) == 0 || page.State != MEM_COMMIT ||
      (page.Protect & PAGE_GUARD) != 0 || reinterpret_cast<char*>(&page) < zone_top + 2 * system.dwPageSize) {
    return;
  }
  DWORD previous = 0;
  VirtualProtect(zone_top, system.dwPageSize, PAGE_READWRITE | PAGE_GUARD, &previous);
}

}  // namespace
#endif

void RestoreStackGuard() {
  if (!guard_consumed) return;
#if defined(__x86_64__)
  _resetstkoflw();
  ReserveStackForOverflow();
  guard_consumed = false;
#else
  if (_resetstkoflw() != 0) guard_consumed = false;
#endif
}

void InstallFaultNotifications() {
  if (handler_handle == nullptr) handler_handle = AddVectoredExceptionHandler(1, &FaultFilter);
#if defined(__x86_64__)
  // For the calling (main) thread, the one the reporter watches.
  ReserveStackForOverflow();
#endif
  HookImport("Kernel32.dll", "RaiseException", AsImportAddress(&RaiseHook), SavedRaiseException);
}

void RemoveFaultNotifications() {
  UnhookImport("Kernel32.dll", "RaiseException", AsImportAddress(&RaiseHook), SavedRaiseException);
  if (handler_handle != nullptr) RemoveVectoredExceptionHandler(handler_handle);
  handler_handle = nullptr;
}
