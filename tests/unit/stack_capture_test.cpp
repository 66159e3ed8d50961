// The stack capture on the running test program: throws and faults leave
// their return addresses in TraceList, whether anybody handles them or not.
#include "errors/stack_capture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "errors/error_classes.h"

namespace {

// The routines below are kept small and apart so that an address can be
// placed inside one of them by its start and a generous size.
constexpr std::uintptr_t kRoutineSize = 2048;  // instrumented builds make routines large

std::uintptr_t Start(const void* routine) { return reinterpret_cast<std::uintptr_t>(routine); }

// A return address belongs to the routine that holds the call before it; a
// call to a routine that does not return may be the routine's last bytes.
bool ReturnsInto(std::uintptr_t address, const void* routine) {
  return address > Start(routine) && address <= Start(routine) + kRoutineSize;
}

volatile int sink = 0;
volatile std::uintptr_t fault_target = 16;

__attribute__((noinline)) void ThrowRuntimeError() {
  sink = sink + 1;
  throw std::runtime_error("thrown on purpose");
}

__attribute__((noinline, no_sanitize("address", "undefined"))) void WriteToAddressSixteen() {
  sink = sink + 1;
  *reinterpret_cast<volatile int*>(fault_target) = 1;
  sink = sink + 1;
}

int cleanups_run = 0;
struct CountsItsCleanup {
  ~CountsItsCleanup() { ++cleanups_run; }
};

// A fault in a routine with something to clean up unwinds through it.
__attribute__((noinline, no_sanitize("address", "undefined"))) void FaultWithCleanup() {
  CountsItsCleanup cleanup;
  std::string text = "kept until the fault";
  *reinterpret_cast<volatile int*>(fault_target) = static_cast<int>(text.size());
  sink = sink + 1;
}

__attribute__((noinline, no_sanitize("undefined"))) int DivideBy(int divisor) { return 100 / divisor; }

// Raises `depth` calls down: a throw, or with `fault` an access violation.
__attribute__((noinline, no_sanitize("address", "undefined"))) void RaiseAtDepth(int depth,
                                                                                 bool fault = false) {
  if (depth == 0) {
    if (!fault) throw std::logic_error("deep");
    *reinterpret_cast<volatile int*>(fault_target) = 1;
  } else {
    RaiseAtDepth(depth - 1, fault);
  }
  sink = sink + 1;  // keeps the call a real call, not a jump
}

// The longest run of one address in a trace: a recursion `depth` calls deep
// leaves `depth` equal returns in a row.
std::size_t LongestRun(const TTraceList& trace) {
  std::size_t longest = 0;
  for (std::size_t i = 0, run = 0; i < trace.Count; ++i) {
    run = i > 0 && trace.Entries[i].Address == trace.Entries[i - 1].Address ? run + 1 : 1;
    longest = std::max(longest, run);
  }
  return longest;
}

// Recurses until the stack runs out. The store through a pointer keeps the
// routine one that may fault, so that the compiler keeps the handlers around
// its calls (a routine that only touches its own frame counts as unable to
// fault, and handlers around it would be dropped as unreachable).
volatile int recursion_limit = 1 << 30;
__attribute__((noinline, no_sanitize("address", "undefined"))) int RecurseForever(int depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  if (depth == recursion_limit) {
    *reinterpret_cast<volatile int*>(fault_target) = depth;
    return 0;
  }
  return RecurseForever(depth + 1) + frame[0] + sink;
}

__attribute__((noinline)) std::uintptr_t CallerOfThisFrame() {
  return reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
}

// Holds each of `count` threads until all have arrived, round after round.
// (libstdc++'s std::barrier waits through atomic waits that hang now and
// then under wine.)
class Rendezvous {
 public:
  explicit Rendezvous(int count) : count_(count) {}
  void ArriveAndWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    const unsigned long round = round_;
    if (++arrived_ == count_) {
      arrived_ = 0;
      ++round_;
      all_.notify_all();
    } else {
      all_.wait(lock, [&] { return round_ != round; });
    }
  }

 private:
  const int count_;
  int arrived_ = 0;
  unsigned long round_ = 0;
  std::mutex mutex_;
  std::condition_variable all_;
};

class StackCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallStackCapture(); }
  void TearDown() override {
    RemoveStackCapture();
    CodeRange = saved_range_;
  }
  static void Poison() {
    for (TTraceEntry& entry : TraceList.Entries) entry = TTraceEntry{0xDEAD, 99};
    TraceList.Count = 7;
  }
  TCodeRange saved_range_ = (PrepareStackWalk(), CodeRange);
};

TEST_F(StackCaptureTest, TheCodeRangeHoldsOurRoutinesAndTheStackTopLiesAboveUs) {
  EXPECT_LT(CodeRange.Start, Start(reinterpret_cast<const void*>(&ThrowRuntimeError)));
  EXPECT_GT(CodeRange.End, Start(reinterpret_cast<const void*>(&ThrowRuntimeError)));
  int local = 0;
  EXPECT_GT(StackTop, reinterpret_cast<std::uintptr_t>(&local));
}

TEST_F(StackCaptureTest, AThrowHandledSilentlyStillReplacesTheTrace) {
  Poison();
  try {
    ThrowRuntimeError();
  } catch (const std::runtime_error&) {
  }
  ASSERT_GE(TraceList.Count, 2u);
  EXPECT_NE(TraceList.Entries[0].Address, 0xDEADu);
  for (std::size_t i = TraceList.Count; i < TTraceList::kSlots; ++i) {
    EXPECT_EQ(TraceList.Entries[i].Address, 0u) << i;
  }
}

TEST_F(StackCaptureTest, TheFirstEntryOfAThrowIsInTheRoutineThatThrew) {
  try {
    ThrowRuntimeError();
  } catch (const std::runtime_error&) {
  }
  ASSERT_GE(TraceList.Count, 2u);
  EXPECT_TRUE(ReturnsInto(TraceList.Entries[0].Address, reinterpret_cast<const void*>(&ThrowRuntimeError)))
      << std::hex << TraceList.Entries[0].Address << " "
      << Start(reinterpret_cast<const void*>(&ThrowRuntimeError));
  // The capture's own three frames came first in the walk.
  EXPECT_EQ(TraceList.Entries[0].Ordinal, 4u);
  EXPECT_EQ(TraceList.Entries[1].Ordinal, 5u);
}

TEST_F(StackCaptureTest, AThrowWithoutTheObserverLeavesTheTraceAlone) {
  RemoveStackCapture();
  Poison();
  try {
    ThrowRuntimeError();
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(TraceList.Count, 7u);
  EXPECT_EQ(TraceList.Entries[0].Address, 0xDEADu);
}

TEST_F(StackCaptureTest, AThrowDuringACaptureIsNotCaptured) {
  Poison();
  CaptureBusy = true;
  try {
    ThrowRuntimeError();
  } catch (const std::runtime_error&) {
  }
  CaptureBusy = false;
  EXPECT_EQ(TraceList.Count, 7u);
}

TEST_F(StackCaptureTest, AnAccessViolationPutsItsAddressFirstWithOrdinalZero) {
  Poison();
  std::uintptr_t fault_address = 0;
  try {
    WriteToAddressSixteen();
    FAIL() << "the write did not fault";
  } catch (const EAccessViolation& error) {
    fault_address = error.Address;
    EXPECT_NE(std::string(error.what()).find("Write of address 00000010"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(fault_address > Start(reinterpret_cast<const void*>(&WriteToAddressSixteen)) &&
              fault_address < Start(reinterpret_cast<const void*>(&WriteToAddressSixteen)) + kRoutineSize);
  ASSERT_GE(TraceList.Count, 2u);
  EXPECT_EQ(TraceList.Entries[0].Address, fault_address);
  EXPECT_EQ(TraceList.Entries[0].Ordinal, 0u);
  // Then the walked frames, from the faulting routine's caller (this test).
  EXPECT_GE(TraceList.Entries[1].Ordinal, 4u);
  EXPECT_NE(TraceList.Entries[1].Address, fault_address);
}

TEST_F(StackCaptureTest, ADivisionByZeroIsRaisedAndCaptured) {
  Poison();
  try {
    sink = DivideBy(0);
    FAIL() << "the division did not fault";
  } catch (const EDivByZero& error) {
    EXPECT_EQ(TraceList.Entries[0].Address, error.Address);
    EXPECT_EQ(TraceList.Entries[0].Ordinal, 0u);
  }
  // The program goes on, and the next fault is seen as well.
  EXPECT_THROW(WriteToAddressSixteen(), EAccessViolation);
}

TEST_F(StackCaptureTest, AFaultUnwindsThroughTheCleanupsOfTheFaultingRoutine) {
  cleanups_run = 0;
  EXPECT_THROW(FaultWithCleanup(), EAccessViolation);
  EXPECT_EQ(cleanups_run, 1);
  EXPECT_TRUE(
      ReturnsInto(TraceList.Entries[0].Address + 1, reinterpret_cast<const void*>(&FaultWithCleanup)));
}

TEST_F(StackCaptureTest, AStackOverflowIsRaisedAndCapturedAndTheProgramGoesOn) {
  for (int round = 0; round < 2; ++round) {
    Poison();
    try {
      sink = RecurseForever(0);
      FAIL() << "the stack did not run out";
    } catch (const EStackOverflow& error) {
      EXPECT_EQ(TraceList.Entries[0].Address, error.Address);
      EXPECT_EQ(TraceList.Entries[0].Ordinal, 0u);
      EXPECT_TRUE(ReturnsInto(error.Address, reinterpret_cast<const void*>(&RecurseForever)));
    }
    RestoreStackGuard();
    EXPECT_EQ(TraceList.Count, 49u);
  }
}

TEST_F(StackCaptureTest, ADeepRecursionStopsAtFortyNineEntries) {
  Poison();
  try {
    RaiseAtDepth(100);
  } catch (const std::logic_error&) {
  }
  EXPECT_EQ(TraceList.Count, 49u);
  EXPECT_NE(TraceList.Entries[48].Address, 0u);
  EXPECT_EQ(TraceList.Entries[49].Address, 0u);
  EXPECT_EQ(TraceList.Entries[48].Ordinal, 52u);
}

TEST_F(StackCaptureTest, CaptureStackKeepsThePresetAndSkipsTheGivenFrames) {
  CaptureStack(0, 0x1234);
  ASSERT_GE(TraceList.Count, 3u);
  EXPECT_EQ(TraceList.Entries[0].Address, 0x1234u);
  EXPECT_EQ(TraceList.Entries[0].Ordinal, 0u);
  // Ordinal 1 is the return from the walk into CaptureStack itself.
  EXPECT_EQ(TraceList.Entries[1].Ordinal, 1u);
  EXPECT_TRUE(ReturnsInto(TraceList.Entries[1].Address, reinterpret_cast<const void*>(&CaptureStack)));
}

// Both ends of the code range are excluded: a return address equal to either
// is passed over without being counted.
TEST_F(StackCaptureTest, BothBoundsOfTheCodeRangeAreExclusive) {
  CaptureStack(0, 0);
  ASSERT_GE(TraceList.Count, 3u);
  const std::uintptr_t into_capture = TraceList.Entries[0].Address;
  auto held = [](std::uintptr_t address) {
    for (std::size_t i = 0; i < TraceList.Count; ++i) {
      if (TraceList.Entries[i].Address == address) return true;
    }
    return false;
  };

  CodeRange.Start = into_capture;
  CaptureStack(0, 0);
  EXPECT_FALSE(held(into_capture));
  CodeRange.Start = into_capture - 1;
  CaptureStack(0, 0);
  EXPECT_EQ(TraceList.Entries[0].Address, into_capture);
  EXPECT_EQ(TraceList.Entries[0].Ordinal, 1u);

  CodeRange = saved_range_;
  CodeRange.End = into_capture;
  CaptureStack(0, 0);
  EXPECT_FALSE(held(into_capture));
  CodeRange.End = into_capture + 1;
  CaptureStack(0, 0);
  EXPECT_TRUE(held(into_capture));
}

TEST_F(StackCaptureTest, TheWalkStartsInItsOwnFrame) {
  const std::uintptr_t here = CallerOfThisFrame();
  CaptureStack(0, 0);
  // The walk's first frame returns into CaptureStack, the second into this
  // test body, a little after the call made above.
  ASSERT_GE(TraceList.Count, 2u);
  EXPECT_GT(TraceList.Entries[1].Address, here);
  EXPECT_LT(TraceList.Entries[1].Address, here + 256);
}

// Threads that raise at the same moment, each at its own depth, half by a
// throw and half by a fault: once all have raised, every thread finds its
// own raise in its trace.
TEST_F(StackCaptureTest, RaisesOnSeveralThreadsAtOnceEachLeaveTheirOwnTrace) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  Rendezvous start(kThreads);
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const int depth = 3 + 4 * t;
      const bool fault = t % 2 == 1;
      for (int round = 0; round < kRounds; ++round) {
        Poison();
        start.ArriveAndWait();
        std::uintptr_t fault_address = 0;
        try {
          RaiseAtDepth(depth, fault);
        } catch (const std::logic_error&) {
        } catch (const EAccessViolation& error) {
          fault_address = error.Address;
        }
        // Every thread has raised before any looks at its trace.
        start.ArriveAndWait();
        const bool own =
            TraceList.Count >= static_cast<std::size_t>(depth) + 1 &&
            TraceList.Entries[0].Address != 0xDEAD && LongestRun(TraceList) == std::size_t(depth) &&
            (fault ? TraceList.Entries[0].Address == fault_address && TraceList.Entries[0].Ordinal == 0
                   : TraceList.Entries[0].Ordinal == 4);
        if (!own) ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(wrong[t], 0) << "thread " << t << " of " << kRounds << " rounds";
}

}  // namespace
