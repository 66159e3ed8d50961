// Everything the error reporter asks of the operating system, in one place.
// errors/win32/ and errors/posix/ implement it, one file per subject
// (<subject>_win32.cpp, <subject>_posix.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------
// The running image (image_*.cpp)

// The program's code: return addresses strictly between Start and End are
// ours.
struct TCodeRange {
  std::uintptr_t Start = 0;
  std::uintptr_t End = 0;
};

// The running program's CodeBase: its module's base address plus
// line_info_format::kCodeBaseOffset. Offsets from it are taken in unsigned
// 32-bit arithmetic: (std::uint32_t)(address - CodeBase()).
std::uintptr_t CodeBase();

// The code range of the running executable. False when it is not known.
bool FindCodeRange(TCodeRange* range);

// The upper end of the calling thread's stack; 0 when it is not known.
std::uintptr_t FindStackTop();

#if defined(_WIN64)
// The return addresses of the calling routine and of its callers, innermost
// first, as the system's unwinder finds them from the image's unwind
// descriptions; their count, at most `capacity`. (64-bit Windows frames form
// no frame-pointer chain: see WalkFrames.)
std::size_t UnwindReturnAddresses(std::uintptr_t* addresses, std::size_t capacity);
#endif

// ---------------------------------------------------------------------------
// Faults (fault_*.cpp)

// The platform's fault notifications: a vectored exception handler on
// Windows, signal handlers elsewhere. Each fault inside our code is passed
// to the capture's observer with its address and then raised as a C++
// exception (errors/os_faults.h) from the faulting instruction.
void InstallFaultNotifications();
void RemoveFaultNotifications();

// After a stack overflow has been raised and unwound: sets the stack's guard
// up again, so that a later overflow is seen too (Windows consumes the guard
// page; elsewhere there is nothing to do). Call it where such an exception
// was caught, with the stack unwound; harmless when there was none.
void RestoreStackGuard();

// ---------------------------------------------------------------------------
// The log (local_time_*.cpp)

// The current local date and time in the system's short date and long time
// format.
std::string LocalDateTimeText();

// ---------------------------------------------------------------------------
// The "Application error" dialog (error_dialog_*.cpp)

// The modal dialog (dialog resource 101 of the program) over `parent` (0 for
// none): 1 = terminate, 0 = continue, -1 = the dialog failed or could not be
// shown (always -1 where there is no window system).
int ShowErrorDialog(std::intptr_t parent, const std::string& message, const std::string& report);

// The program's currently active window; 0 when there is none.
std::intptr_t ActiveProgramWindow();

// Ends the process at once with `exit_code`: no finalisation, no saving.
[[noreturn]] void TerminateAtOnce(int exit_code);
