// Stack capture at raise time: every C++ throw and every operating-system
// fault leaves the return addresses of the raising thread's stack in
// TraceList, most recent frame first. The fatal-error reporter prints them.
//
// Any thread may raise (the site lock writes pages on several). The trace
// list, the busy flag and the stack top belong to each thread: a raise fills
// the trace of the thread that raised, and the fatal-error reporter prints
// the trace of the thread it runs on. The code range is the one process-wide
// value: it is set once, by installation before the program starts other
// threads, and only read afterwards.
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

// The trace of the most recent raise on one thread. Slot 49 is never filled.
struct TTraceList {
  static constexpr std::size_t kSlots = 50;
  static constexpr std::size_t kMaxEntries = 49;
  TTraceEntry Entries[kSlots];
  std::size_t Count = 0;
};
extern thread_local TTraceList TraceList;

// The program's code: return addresses strictly between Start and End are
// ours.
extern TCodeRange CodeRange;

// Upper end of the calling thread's stack, once PrepareStackWalk ran on it.
extern thread_local std::uintptr_t StackTop;

// Set while a capture runs on this thread; a raise meanwhile (by the capture
// itself) is not captured. A raise on another thread is.
extern thread_local volatile bool CaptureBusy;

// Sets CodeRange from the running image, once per process, and StackTop from
// the calling thread, once per thread; later calls do nothing. Installation
// calls it so that a capture on the main thread need not ask the system
// (which may allocate); WalkFrames calls it too, so the first raise on any
// other thread asks for that thread's stack top.
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

// Fills this thread's TraceList: clears every slot, stores `preset` (when not 0) with
// ordinal 0, then the walked frames whose ordinal exceeds `skip`, 49 entries
// at most. Allocates nothing once the thread's stack top is known.
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
