#include "errors/os_faults.h"

#include <cstdio>

#include "errors/error_classes.h"

// Here, not beside the throw entry that reads it: a program without the
// entry (one that does not link zendrel_throw_capture) may still raise
// faults, and must not pull the entry in through this flag.
thread_local volatile bool SkipNextThrowNotification = false;

std::string HexAddress(std::uintptr_t address) {
  char text[2 * sizeof(address) + 1];
  std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(address));
  return text;
}

std::string FaultMessage(const TFaultRecord& fault) {
  const std::string at = " at address " + HexAddress(fault.Address);
  switch (fault.Kind) {
    case TFaultKind::AccessViolation:
      return "Access violation" + at + ". " + (fault.Write ? "Write" : "Read") + " of address " +
             HexAddress(fault.DataAddress);
    case TFaultKind::DivByZero:
      return "Division by zero" + at;
    case TFaultKind::IntOverflow:
      return "Integer overflow" + at;
    case TFaultKind::FloatError:
      return "Floating point error" + at;
    case TFaultKind::StackOverflow:
      return "Stack overflow" + at;
    case TFaultKind::Privilege:
      return "Privileged instruction" + at;
    case TFaultKind::IllegalInstruction:
      return "Illegal instruction" + at;
    case TFaultKind::Other:
      break;
  }
  return "External exception " + HexAddress(fault.Code) + at;
}

void RaiseFault(const TFaultRecord& fault) {
  const std::string message = FaultMessage(fault);
  SkipNextThrowNotification = true;
  switch (fault.Kind) {
    case TFaultKind::AccessViolation:
      throw EAccessViolation(message, fault.Address);
    case TFaultKind::DivByZero:
      throw EDivByZero(message, fault.Address);
    case TFaultKind::IntOverflow:
      throw EIntOverflow(message, fault.Address);
    case TFaultKind::FloatError:
      throw EInvalidOp(message, fault.Address);
    case TFaultKind::StackOverflow:
      throw EStackOverflow(message, fault.Address);
    case TFaultKind::Privilege:
      throw EPrivilege(message, fault.Address);
    case TFaultKind::IllegalInstruction:
      throw EIllegalInstruction(message, fault.Address);
    case TFaultKind::Other:
      break;
  }
  throw EExternal(message, fault.Address);
}
