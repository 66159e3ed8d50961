// What a lock did, for the front end to tell: a status, the message that
// says why it stopped with the system's own words for the cause, and the
// locked page's final path.
#pragma once

#include <string>
#include <vector>

#include "engine/lock_message.h"

enum class TLockStatus {
  Locked,
  // Stopped at a problem: the message says which.
  Failed,
  // The observer declined to replace an existing backup. No message.
  Declined,
  // The observer asked to stop. No message.
  Cancelled,
};

// One problem a step of the lock met. `reason` is the system's text for the
// call that failed, taken right after it; empty when the problem is not a
// failed call. A front end shows the message, then the reason on a line of
// its own.
struct TLockFailure {
  TLockMessage message;
  std::string reason;
  // Set instead of a message when the observer asked to stop.
  bool cancelled = false;
};

struct TLockResult {
  TLockStatus status = TLockStatus::Failed;
  // Empty (null text) when Locked, Declined or Cancelled.
  TLockMessage message;
  std::string reason;
  // Problems met after the first, in order, each to be told after it: more
  // template files that could not be copied, or a text page that could not
  // get its name back.
  std::vector<TLockFailure> further;
  // Where the locked page is (or would have been): the page, or a ".txt"
  // page's name with ".html" added.
  std::string locked_page;
  // Locked with a strong template: the 32-byte key that opens the page, for
  // a share link. Else "".
  std::string site_key;

  bool ok() const { return status == TLockStatus::Locked; }
};

// The result of a lock that stopped at `failure`.
inline TLockResult FailedLock(TLockFailure failure) {
  TLockResult result;
  result.status = failure.cancelled ? TLockStatus::Cancelled : TLockStatus::Failed;
  result.message = std::move(failure.message);
  result.reason = std::move(failure.reason);
  return result;
}
