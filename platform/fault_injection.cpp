#include "platform/fault_injection.h"

#include <array>

namespace platform::faults {
namespace {

struct Plan {
  bool active = false;
  bool any_kind = false;
  Call kind = Call::kCount;
  std::int64_t nth = 0;
  Call also_kind = Call::kCount;
  std::int64_t also_nth = 0;
  Failure how = Failure::Before;
  bool fired = false;
  Call fired_call = Call::kCount;
  std::int64_t total = 0;
  std::array<std::int64_t, static_cast<int>(Call::kCount)> counts{};
};

Plan g_plan;

}  // namespace

Failure Next(Call call) {
  if (!g_plan.active) return Failure::None;
  const auto count = ++g_plan.counts[static_cast<int>(call)];
  const auto total = ++g_plan.total;
  bool fail = false;
  if (g_plan.any_kind) {
    fail = g_plan.nth == total;
  } else if (g_plan.kind == call) {
    fail = g_plan.nth == count;
  }
  if (g_plan.also_kind == call && g_plan.also_nth == count) fail = true;
  if (!fail) return Failure::None;
  g_plan.fired = true;
  g_plan.fired_call = call;
  return g_plan.how;
}

bool ShouldFail(Call call) { return Next(call) != Failure::None; }

ScopedFaultPlan::ScopedFaultPlan() {
  g_plan = Plan{};
  g_plan.active = true;
}

ScopedFaultPlan::ScopedFaultPlan(Call call, std::int64_t nth, Failure how) : ScopedFaultPlan() {
  g_plan.kind = call;
  g_plan.nth = nth;
  g_plan.how = how;
}

ScopedFaultPlan::ScopedFaultPlan(std::int64_t nth_of_any, Failure how) : ScopedFaultPlan() {
  g_plan.any_kind = true;
  g_plan.nth = nth_of_any;
  g_plan.how = how;
}

ScopedFaultPlan::~ScopedFaultPlan() { g_plan = Plan{}; }

void ScopedFaultPlan::AlsoFail(Call call, std::int64_t nth) {
  g_plan.also_kind = call;
  g_plan.also_nth = nth;
}

std::int64_t ScopedFaultPlan::Calls(Call call) const { return g_plan.counts[static_cast<int>(call)]; }
std::int64_t ScopedFaultPlan::TotalCalls() const { return g_plan.total; }
bool ScopedFaultPlan::Fired() const { return g_plan.fired; }
Call ScopedFaultPlan::FiredCall() const { return g_plan.fired_call; }

}  // namespace platform::faults
