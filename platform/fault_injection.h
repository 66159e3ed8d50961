// Fault injection for the file layer: a test can make the n-th operating-
// system call of a kind (or of any kind) fail, to show that no failure point
// loses a page's bytes. A call can fail before it does anything, or partway:
// a write or a copy after part of its data went out, a flush or a close after
// it did its work. Costs one counter increment per call otherwise.
#pragma once

#include <cstdint>

namespace platform::faults {

enum class Call : int {
  OpenForReading,
  OpenForReadWrite,
  CreateReplacing,
  CreateExclusive,
  OpenForAppend,
  Read,
  Write,
  Seek,
  Size,
  Flush,
  Close,
  Remove,
  Rename,
  Replace,
  Copy,
  Exists,
  List,
  MakeDirectory,
  kCount
};

enum class Failure : int {
  None,
  // The call fails before it changes anything.
  Before,
  // The call does part of its work, then fails: a write or a copy stops
  // after about half of its data, a flush or a close fails after its work.
  Partway,
};

// Called by the platform implementations at the start of each call: counts
// it and answers how this call is to fail.
Failure Next(Call call);

// Next(call) != Failure::None, for calls that can only fail before.
bool ShouldFail(Call call);

// Counts calls and fails at most one chosen call while it lives. Plans do
// not nest.
class ScopedFaultPlan {
 public:
  // Counts only; fails nothing.
  ScopedFaultPlan();
  // Fails the n-th call (1-based) of `call`.
  ScopedFaultPlan(Call call, std::int64_t nth, Failure how = Failure::Before);
  // Fails the n-th call (1-based) of any kind.
  explicit ScopedFaultPlan(std::int64_t nth_of_any, Failure how = Failure::Before);
  ~ScopedFaultPlan();

  // Fails the n-th call of `call` too: a failure met while the first one is
  // being undone.
  void AlsoFail(Call call, std::int64_t nth);
  ScopedFaultPlan(const ScopedFaultPlan&) = delete;
  ScopedFaultPlan& operator=(const ScopedFaultPlan&) = delete;

  std::int64_t Calls(Call call) const;
  std::int64_t TotalCalls() const;
  // True when the chosen call came and was failed.
  bool Fired() const;
  // The kind of the call that was failed (kCount before it came).
  Call FiredCall() const;
};

}  // namespace platform::faults
