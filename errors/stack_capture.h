// Stack capture at raise time: every C++ throw and every operating-system
// fault leaves the return addresses of the raising thread's stack in
// TraceList, most recent frame first. The fatal-error reporter prints them.
//
// The list, the busy flag, the code range and the stack top are process-wide
// and unguarded; the program's own code runs on one thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "errors/system.h"

// One captured frame: a return address and the 1-based position of its frame
// in the walk that found it (0 for a preset fault address).
struct TTraceEntry {
  std::uintptr_t Address = 0;
  std::uint32_t Ordinal = 0;
};

// The trace of the most recent raise. Slot 49 is never filled.
struct TTraceList {
  static constexpr std::size_t kSlots = 50;
  static constexpr std::size_t kMaxEntries = 49;
  TTraceEntry Entries[kSlots];
  std::size_t Count = 0;
};
extern TTraceList TraceList;

// The program's code: return addresses strictly between Start and End are
// ours.
extern TCodeRange CodeRange;

// Upper end of the stack of the thread that prepared the walk.
extern std::uintptr_t StackTop;

// Set while a capture runs; a raise meanwhile is not captured.
extern volatile bool CaptureBusy;

// Sets CodeRange and StackTop from the running image and the calling thread,
// once; later calls do nothing. Installation calls it so that no capture has
// to ask the system (which may allocate); WalkFrames calls it too when it
// has not run yet.
void PrepareStackWalk();

// Receives every raise: the exception object (may be null when there is none
// yet), the raise or fault address, and whether that address is known (a
// fault) and so is preset in the trace.
using RaiseObserver = void (*)(const void* exception_object, std::uintptr_t address, bool address_known);

// The observer both notifications call; null when none is installed.
extern volatile RaiseObserver InstalledRaiseObserver;

// The observer of the capture: unless a capture already runs, captures the
// stack with 3 frames skipped (this routine, CaptureStack and the hook that
// called it) and the address preset when it is known.
void OnExceptionRaised(const void* exception_object, std::uintptr_t address, bool address_known);

// Fills TraceList: clears every slot, stores `preset` (when not 0) with
// ordinal 0, then the walked frames whose ordinal exceeds `skip`, 49 entries
// at most. Allocates nothing.
void CaptureStack(std::uint32_t skip, std::uintptr_t preset);

// Offers each frame of the frame-pointer chain, innermost first, starting in
// WalkFrames itself, to `collect` until it answers false or the chain leaves
// the stack. Only return addresses strictly inside CodeRange are offered and
// counted. `context` is passed through.
using FrameCollector = bool (*)(const TTraceEntry& entry, void* context);
void WalkFrames(FrameCollector collect, void* context);

// Installs the capture: the fault notifications of the platform, the throw
// notification, then OnExceptionRaised as their observer.
void InstallStackCapture();

// Removes it again in reverse order.
void RemoveStackCapture();
