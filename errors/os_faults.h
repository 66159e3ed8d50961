// Operating-system faults as C++ exceptions. The platform's fault handler
// (errors/win32, errors/posix) describes the fault in a TFaultRecord, lets
// the capture see it with its address preset, and then raises it as one of
// the EExternal classes, as if the faulting instruction had thrown.
#pragma once

#include <cstdint>
#include <string>

enum class TFaultKind {
  AccessViolation,
  DivByZero,
  IntOverflow,
  FloatError,
  StackOverflow,
  Privilege,
  IllegalInstruction,
  Other
};

struct TFaultRecord {
  TFaultKind Kind = TFaultKind::Other;
  std::uintptr_t Address = 0;      // the faulting instruction
  std::uintptr_t DataAddress = 0;  // for an access violation: the address accessed
  bool Write = false;              // for an access violation: a write (or execute) rather than a read
  std::uint32_t Code = 0;          // the system's code (exception code or signal number)
};

// The message of the fault's exception, as in "Access violation at address
// 0040123A. Read of address 00000010".
std::string FaultMessage(const TFaultRecord& fault);

// Throws the exception that matches the fault. The throw itself is not
// captured again: the capture already holds the fault's trace.
[[noreturn]] void RaiseFault(const TFaultRecord& fault);

// The calling thread's next throw is not passed to the observer (used by
// RaiseFault).
extern thread_local volatile bool SkipNextThrowNotification;

// An address as at least eight upper-case hexadecimal digits.
std::string HexAddress(std::uintptr_t address);
