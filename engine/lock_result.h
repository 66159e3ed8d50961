// What a lock did, for the front end to tell: the outcome (a status, the
// problem that stopped it with the system's own words for the cause, the
// further problems), and the locked page's final path.
#pragma once

#include <string>

#include "engine/outcome.h"

struct TLockResult : TOutcome {
  // Where the locked page is (or would have been): the page, or a ".txt"
  // page's name with ".html" added.
  std::string locked_page;
  // Locked with a strong template: the 32-byte key that opens the page, for
  // a share link. Else "".
  std::string site_key;

  TLockResult() = default;
  TLockResult(TOutcome outcome) : TOutcome(std::move(outcome)) {}
};
