// Writes the locked pages of one site lock with the lock core's pieces: the
// template planned once (PlanLock), each page checked (CheckPageSize, and
// for zero bytes as it is read) and written (WriteLockedPage) into a new
// file, reading the page once. Made once per run; Write may run on several
// threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/lock/lock_plan.h"
#include "engine/lock/locked_page_writer.h"
#include "engine/outcome.h"
#include "engine/password.h"
#include "engine/template_library.h"

class TSitePageWriter {
 public:
  // Plans the template for `password` and reads its start page once for
  // the run. The problem when the lock cannot go on (an empty password, a
  // missing or wrong template...).
  TProblem Prepare(const TTemplate& template_, const TPassword& password);
  // The same with the run's codec made by `make_codec` (a keyring's, or one
  // that keeps the replaced output's site key); `password` is only checked
  // for being entered, and may be empty when `needs_password` is false.
  TProblem Prepare(const TTemplate& template_, const TPassword& password, bool needs_password,
                   const TCodecMaker& make_codec);

  // Writes the locked page of the page at `page` (a regular file of `size`
  // bytes and permission bits `permissions`, as the plan found it) into the
  // new file `to` (created exclusively, with those bits, not flushed: the
  // caller flushes the whole tree). `text_page` wraps it as text. `buffers`
  // are one thread's, kept from page to page. `progress` hears how many of
  // the page's bytes are encoded; `read` (when given) hears every byte read
  // of the page, once and in order, for a second use without a second read;
  // `cancel`, read between writes, stops the page (Cancelled). Done when the
  // page is written whole; else Failed with the problem, and nothing of `to`
  // left.
  TOutcome Write(const std::string& page, std::uint64_t size, std::uint32_t permissions, bool text_page,
                 const std::string& to, TPageBuffers& buffers,
                 const std::function<void(std::uint64_t done)>& progress, const TByteSource::TTap& read,
                 const std::atomic<bool>& cancel) const;

  // The run's site key, for a share link; empty for an XOR template.
  const std::string& SiteKey() const { return site_key_; }

 private:
  TProblem ReadStartPage();

  TLockPlan plan_;
  std::string start_page_;
  std::string site_key_;
};
