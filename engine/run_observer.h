// What the engine needs from whoever started a run (a page lock, a site
// lock, an unlock): an answer when an existing file would be replaced, an
// ear for warnings and progress, and a way to stop. The engine asks; the
// front end answers in its own way (a message box, a terminal line, a
// scripted test). Every call comes on the thread that started the run,
// never from two threads at once, whatever the number of jobs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/lock_message.h"

// How far a run has come. A page lock counts the bytes of its one page
// (pages stay 0 of 0); a site lock counts its pages and the bytes of the
// site's files, pages and copies. Done grows to total; 0 < bytes_total.
struct TProgress {
  std::uint64_t bytes_done = 0;
  std::uint64_t bytes_total = 0;
  std::size_t pages_done = 0;
  std::size_t pages_total = 0;
};

class TRunObserver {
 public:
  virtual ~TRunObserver() = default;

  // The file at `path` (a page lock's backup) exists and would be replaced:
  // true to go on, false to stop the run (TStatus::Declined). Unless a
  // front end asks its user, nothing is replaced.
  virtual bool ConfirmReplace(const std::string& /*path*/) { return false; }

  // Something the user should know that does not stop the run: a link that
  // is neither followed nor copied, a leftover temporary folder removed...
  virtual void Warn(const TLockMessage& /*warning*/) {}

  // Called often, between writes; it must not start another run.
  virtual void Progress(const TProgress& /*progress*/) {}

  // Asked between writes. True stops the run (TStatus::Cancelled): it then
  // changes nothing and leaves no temporary file, as any failed run.
  virtual bool Cancelled() { return false; }
};
