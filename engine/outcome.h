// How a run of the engine ended (a page lock, a site lock, an unlock), for
// the front end to tell: a status, the problem that stopped the run and the
// problems met after it. The engine never hands a failure back any other
// way: no out-parameter, and no error text to be read afterwards.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/lock_message.h"

enum class TStatus {
  Done,
  // Stopped at a problem: the problem says which. A front end that must
  // tell causes apart compares the problem's message (its identity is the
  // table text it points to).
  Failed,
  // The observer declined to replace an existing file. No problem.
  Declined,
  // The observer asked to stop. No problem.
  Cancelled,
};

// One problem a run met: the message from the message table, and the
// system's own text for the call that failed, taken right where it failed
// ("" when the problem is not a failed call). A front end shows the
// message, then the reason on a line of its own.
struct TProblem {
  TLockMessage message;
  std::string reason;

  explicit operator bool() const { return message.text != nullptr; }
};

struct TOutcome {
  TStatus status = TStatus::Done;
  // Empty (null text) unless Failed.
  TProblem problem;
  // Problems met after the first, in order, each to be told after it (more
  // template files that could not be copied, a page that could not get its
  // name back, the place a page's bytes were left in).
  std::vector<TProblem> further;

  bool ok() const { return status == TStatus::Done; }
  // The problem's table text: which cause it was (null when none).
  const char* cause() const { return problem.message.text; }
};

// The outcome of a run that stopped at `problem`.
inline TOutcome Failed(TProblem problem) {
  TOutcome outcome;
  outcome.status = TStatus::Failed;
  outcome.problem = std::move(problem);
  return outcome;
}

// A value a step made, or the problem that kept it from being made.
template <typename T>
struct TValueOr {
  T value{};
  TProblem problem;

  bool ok() const { return !problem; }
};

inline TOutcome CancelledOutcome() {
  TOutcome outcome;
  outcome.status = TStatus::Cancelled;
  return outcome;
}
