// The error-reporting subsystem's own exception classes and the classes into
// which operating-system faults are turned. Their class names are what the
// reporter prints, so they keep these names.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Raised by CheckImageHeader for a module whose headers are not an image's.
class EHookError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failed assertion: logged like every unhandled exception, but shown in the
// application's standard message box instead of the error dialog.
class EAssertionFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An operating-system fault turned into an exception. Address is the
// faulting instruction.
class EExternal : public std::runtime_error {
 public:
  EExternal(const std::string& message, std::uintptr_t address)
      : std::runtime_error(message), Address(address) {}
  std::uintptr_t Address;
};

class EAccessViolation : public EExternal {
 public:
  using EExternal::EExternal;
};

class EDivByZero : public EExternal {
 public:
  using EExternal::EExternal;
};

class EIntOverflow : public EExternal {
 public:
  using EExternal::EExternal;
};

class EInvalidOp : public EExternal {
 public:
  using EExternal::EExternal;
};

class EStackOverflow : public EExternal {
 public:
  using EExternal::EExternal;
};

class EPrivilege : public EExternal {
 public:
  using EExternal::EExternal;
};

class EIllegalInstruction : public EExternal {
 public:
  using EExternal::EExternal;
};
