// What the lock engine needs from whoever started it: an answer when an
// existing backup would be replaced, an ear for warnings and progress, and a
// way to stop. The engine asks; the front end answers in its own way (a
// message box, a terminal line, a scripted test).
#pragma once

#include <cstdint>
#include <string>

#include "engine/lock_message.h"

class TLockObserver {
 public:
  virtual ~TLockObserver() = default;

  // The backup at `backup_path` exists and would be replaced: true to go
  // on, false to stop the lock (TLockStatus::Declined).
  virtual bool ConfirmReplaceBackup(const std::string& backup_path) = 0;

  // Something the user should know that does not stop the lock, such as a
  // link in the template that is neither followed nor copied.
  virtual void Warn(const TLockMessage& /*warning*/) {}

  // `done` of `total` bytes of the page are encoded (0 < total; done grows
  // to total). Called on the locking thread, between writes; it must not
  // start another lock.
  virtual void Progress(std::uint64_t /*done*/, std::uint64_t /*total*/) {}

  // Asked between writes (block pieces, template copies). True stops the
  // lock: it then changes nothing and leaves no temporary file, as any
  // failed lock (TLockStatus::Cancelled).
  virtual bool Cancelled() { return false; }
};
