// Writes the locked pages of one site lock with the lock core's pieces: the
// template planned once (PlanLock), each page checked (LockablePageSize,
// CheckPageBytes) and written (WriteLockedPage) into a new file. Made once
// per run; Write may run on several threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/lock_plan.h"
#include "engine/lock_result.h"
#include "engine/password.h"
#include "engine/template_library.h"

class TSitePageWriter {
 public:
  // Plans the template for `password`. False with the problem when the
  // lock cannot go on (an empty password, a missing or wrong template...).
  bool Prepare(const TTemplate& template_, const TPassword& password, TLockFailure* why);

  // Writes the locked page of the page at `page` into the new file `to`
  // (created exclusively, with the page's permission bits, flushed). `text_page`
  // wraps it as text. `progress` hears how many of the page's bytes are
  // encoded; `cancel`, read between writes, stops the page
  // (`why->cancelled`). True when the page is written whole; false with the
  // problem, and nothing of `to` left.
  bool Write(const std::string& page, bool text_page, const std::string& to,
             const std::function<void(std::uint64_t done)>& progress, const std::atomic<bool>& cancel,
             TLockFailure* why) const;

  // The run's site key, for a share link; empty for an XOR template.
  const std::string& SiteKey() const { return site_key_; }

 private:
  TLockPlan plan_;
  std::string site_key_;
};
