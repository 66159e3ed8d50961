// What a site lock tells its caller while it runs, and asks of it. Every
// call comes on the thread that called LockSite, never from two threads at
// once, whatever the number of jobs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/lock_message.h"

class TSiteObserver {
 public:
  virtual ~TSiteObserver() = default;
  // Something the user should know that does not stop the lock: a skipped
  // link, a leftover temporary folder removed...
  virtual void Warn(const TLockMessage& /*warning*/) {}
  // How far the lock has come: pages locked of all, bytes of the site's
  // files (pages and copies) written of all. Called often, between writes.
  virtual void Progress(std::size_t /*pages_done*/, std::size_t /*pages_total*/, std::uint64_t /*bytes_done*/,
                        std::uint64_t /*bytes_total*/) {}
  // Checked between writes: true stops the lock, which then leaves the
  // output folder as it was.
  virtual bool Cancelled() { return false; }
};
