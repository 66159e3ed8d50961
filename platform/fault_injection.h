// Fault injection for the file layer: a test can make the n-th operating-
// system call of a kind (or of any kind) fail, to show that no failure point
// loses a page's bytes. Costs one counter increment per call otherwise.
#pragma once

#include <cstdint>

namespace platform::faults {

enum class Call : int {
  OpenForReading,
  OpenForReadWrite,
  CreateReplacing,
  OpenForAppend,
  Read,
  Write,
  Seek,
  Size,
  Remove,
  Rename,
  Replace,
  Copy,
  Exists,
  List,
  MakeDirectory,
  kCount
};

// Called by the platform implementations at the start of each call: counts
// it and answers whether this call is to fail.
bool ShouldFail(Call call);

// Counts calls and fails at most one chosen call while it lives. Plans do
// not nest.
class ScopedFaultPlan {
 public:
  // Counts only; fails nothing.
  ScopedFaultPlan();
  // Fails the n-th call (1-based) of `call`.
  ScopedFaultPlan(Call call, std::int64_t nth);
  // Fails the n-th call (1-based) of any kind.
  explicit ScopedFaultPlan(std::int64_t nth_of_any);
  ~ScopedFaultPlan();
  ScopedFaultPlan(const ScopedFaultPlan&) = delete;
  ScopedFaultPlan& operator=(const ScopedFaultPlan&) = delete;

  std::int64_t Calls(Call call) const;
  std::int64_t TotalCalls() const;
  // True when the chosen call came and was failed.
  bool Fired() const;
};

}  // namespace platform::faults
