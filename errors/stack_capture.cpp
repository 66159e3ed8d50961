#include "errors/stack_capture.h"

#include <atomic>

#include "errors/frame_chain.h"

thread_local TTraceList TraceList;
TCodeRange CodeRange;
thread_local std::uintptr_t StackTop = 0;
thread_local volatile bool CaptureBusy = false;
volatile RaiseObserver InstalledRaiseObserver = nullptr;

namespace {

std::atomic<bool> code_range_known{false};
thread_local bool stack_top_known = false;

struct CaptureState {
  std::uint32_t skip;
};

bool CollectEntry(const TTraceEntry& entry, void* context) {
  const auto* state = static_cast<const CaptureState*>(context);
  const bool more = TraceList.Count < TTraceList::kMaxEntries;
  if (more && entry.Ordinal > state->skip) TraceList.Entries[TraceList.Count++] = entry;
  return more;
}

}  // namespace

void PrepareStackWalk() {
  if (!code_range_known.load(std::memory_order_acquire)) {
    FindCodeRange(&CodeRange);
    code_range_known.store(true, std::memory_order_release);
  }
  if (stack_top_known) return;
  stack_top_known = true;
  StackTop = FindStackTop();
}

// The frames counted by the walk are the capture's own first: the return
// into CaptureStack, into OnExceptionRaised and into the notification that
// called it. None of the three may be inlined or lose its frame.
__attribute__((noinline)) void OnExceptionRaised(const void* /*exception_object*/, std::uintptr_t address,
                                                 bool address_known) {
  if (CaptureBusy) return;
  CaptureBusy = true;
  CaptureStack(3, address_known ? address : 0);
  CaptureBusy = false;
  // Keeps this frame a real call frame rather than a tail call.
  asm volatile("" ::: "memory");
}

__attribute__((noinline)) void CaptureStack(std::uint32_t skip, std::uintptr_t preset) {
  for (TTraceEntry& slot : TraceList.Entries) slot = TTraceEntry{};
  TraceList.Count = 0;
  if (preset != 0) {
    TraceList.Entries[0] = TTraceEntry{preset, 0};
    TraceList.Count = 1;
  }
  CaptureState state{skip};
  WalkFrames(&CollectEntry, &state);
  asm volatile("" ::: "memory");
}

#if defined(_WIN64)
// 64-bit Windows (the win64 test build): g++ lays x86-64 frames out for the
// system's unwinder, with the frame pointer below the saved registers rather
// than at the caller's saved frame pointer, so there is no chain to follow.
// The system's unwinder walks the frames instead; the first address it
// gives lies in this routine, and the others count as the chain's would.
__attribute__((noinline)) void WalkFrames(FrameCollector collect, void* context) {
  PrepareStackWalk();
  std::uintptr_t addresses[TTraceList::kMaxEntries + 16];
  const std::size_t count = UnwindReturnAddresses(addresses, sizeof addresses / sizeof addresses[0]);
  std::uint32_t ordinal = 0;
  for (std::size_t i = 1; i < count; ++i) {
    if (addresses[i] > CodeRange.Start && addresses[i] < CodeRange.End) {
      ++ordinal;
      if (!collect(TTraceEntry{addresses[i], ordinal}, context)) break;
    }
  }
  asm volatile("" ::: "memory");
}
#else
// The frame-pointer chain (errors/frame_chain.h), read in place.
__attribute__((noinline)) void WalkFrames(FrameCollector collect, void* context) {
  PrepareStackWalk();
  std::uint32_t ordinal = 0;
  FollowFrameChain<std::uintptr_t>(
      reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)), StackTop,
      [](std::uintptr_t address) { return *reinterpret_cast<const std::uintptr_t*>(address); },
      [&](std::uintptr_t return_address) {
        if (return_address <= CodeRange.Start || return_address >= CodeRange.End) return true;
        ++ordinal;
        return collect(TTraceEntry{return_address, ordinal}, context);
      });
  asm volatile("" ::: "memory");
}
#endif

void InstallStackCapture() {
  PrepareStackWalk();
  InstallFaultNotifications();
  InstalledRaiseObserver = &OnExceptionRaised;
}

void RemoveStackCapture() {
  InstalledRaiseObserver = nullptr;
  RemoveFaultNotifications();
}
