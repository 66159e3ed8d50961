// What unlocking a page came to. Failed: the problem's message names the
// cause (its text is the cause's identity: kUnlockWrongPassword,
// kUnlockDamaged, kUnlockNotLocked...), with the system's own words inside
// it where a call failed. The unlock asks nothing and is never Declined.
#pragma once

#include "engine/outcome.h"

struct TUnlockResult : TOutcome {
  TUnlockResult() = default;
  TUnlockResult(TOutcome outcome) : TOutcome(std::move(outcome)) {}
};
