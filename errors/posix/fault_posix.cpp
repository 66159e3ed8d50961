// Operating-system faults on Linux: signal handlers for SIGSEGV, SIGBUS,
// SIGFPE and SIGILL. A fault inside our own code is shown to the observer
// with its address and then thrown from the handler; the runtime's unwinder
// passes through the signal frame into the faulting routine (the program is
// built with -fnon-call-exceptions so that trapping instructions may throw).
// A fault elsewhere gets the system's default action.
#include <signal.h>
#include <ucontext.h>

#include <cstring>

#include "errors/os_faults.h"
#include "errors/stack_capture.h"

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr std::size_t kSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];

struct sigaction previous_actions[kSignalCount];
bool installed = false;

// Stack overflows are handled on a stack of their own.
alignas(16) char alternate_stack[64 * 1024];
stack_t previous_stack;

// The instruction and stack pointers of the interrupted code.
void InterruptedRegisters(const void* context, std::uintptr_t* instruction, std::uintptr_t* stack) {
  const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  *instruction = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
  *stack = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
  *instruction = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
  *stack = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
#elif defined(__aarch64__)
  *instruction = static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
  *stack = static_cast<std::uintptr_t>(uc->uc_mcontext.sp);
#else
#error "the registers of a signal context are not known for this architecture"
#endif
}

// Whether a page fault was a write: bit 1 of the x86 page-fault error code.
bool WasWrite(const void* context) {
#if defined(__x86_64__) || defined(__i386__)
  return (static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#else
  (void)context;
  return false;
#endif
}

TFaultRecord DescribeFault(int signal_number, const siginfo_t* info, const void* context,
                           std::uintptr_t address, std::uintptr_t stack_pointer) {
  TFaultRecord fault;
  fault.Address = address;
  fault.Code = static_cast<std::uint32_t>(signal_number);
  switch (signal_number) {
    case SIGSEGV:
    case SIGBUS: {
      fault.DataAddress = reinterpret_cast<std::uintptr_t>(info->si_addr);
      // An access just below the stack pointer is a push or call into the
      // stack's guard: the stack ran out.
      const bool at_stack_pointer =
          fault.DataAddress < stack_pointer + 256 && fault.DataAddress + 64 * 1024 > stack_pointer;
      fault.Kind = at_stack_pointer ? TFaultKind::StackOverflow : TFaultKind::AccessViolation;
      fault.Write = WasWrite(context);
      break;
    }
    case SIGFPE:
      fault.Kind = info->si_code == FPE_INTDIV   ? TFaultKind::DivByZero
                   : info->si_code == FPE_INTOVF ? TFaultKind::IntOverflow
                                                 : TFaultKind::FloatError;
      break;
    case SIGILL:
      fault.Kind = info->si_code == ILL_PRVOPC ? TFaultKind::Privilege : TFaultKind::IllegalInstruction;
      break;
    default:
      break;
  }
  return fault;
}

// The third frame the capture skips: its return leads into the signal
// trampoline (outside our code, not counted), its saved frame pointer into
// the faulting routine.
__attribute__((noinline)) void FaultHandler(int signal_number, siginfo_t* info, void* context) {
  std::uintptr_t address = 0;
  std::uintptr_t stack_pointer = 0;
  InterruptedRegisters(context, &address, &stack_pointer);
  if (address <= CodeRange.Start || address >= CodeRange.End) {
    // Not ours: the default action, when the instruction is retried.
    signal(signal_number, SIG_DFL);
    return;
  }
  const TFaultRecord fault = DescribeFault(signal_number, info, context, address, stack_pointer);
  const RaiseObserver observer = InstalledRaiseObserver;
  if (observer != nullptr) observer(nullptr, address, true);
  RaiseFault(fault);
}

}  // namespace

// The kernel keeps the stack's guard in place.
void RestoreStackGuard() {}

void InstallFaultNotifications() {
  if (installed) return;
  stack_t stack{};
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof alternate_stack;
  sigaltstack(&stack, &previous_stack);
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = &FaultHandler;
    sigemptyset(&action.sa_mask);
    // The handler leaves by throwing, never through sigreturn: the signal
    // must not stay blocked afterwards.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigaction(kFaultSignals[i], &action, &previous_actions[i]);
  }
  installed = true;
}

void RemoveFaultNotifications() {
  if (!installed) return;
  for (std::size_t i = 0; i < kSignalCount; ++i) sigaction(kFaultSignals[i], &previous_actions[i], nullptr);
  sigaltstack(&previous_stack, nullptr);
  installed = false;
}
