// Writes the locked pages of one site lock: the template's start page read
// once, with each page's block in its payload area, into a new file. Made
// once per run; Write may run on several threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/payload_area.h"
#include "engine/site_pending_core.h"

class TSitePageWriter {
 public:
  // Reads the template's start page and checks its markers and what the
  // protection asks of the password. False with the message (and the
  // system's reason, where there is one) when the lock cannot go on.
  bool Prepare(const TTemplate& template_, const std::string& password, TLockMessage* why,
               std::string* reason);

  // Writes the locked page of the page at `page` into the new file `to`
  // (created exclusively, with the page's permission bits). `text_page`
  // wraps it as text. `progress` hears how many of the page's bytes are
  // encoded; `cancel`, read between writes, stops the page. True when the
  // page is written whole; false with the message and reason, `to` then
  // holding part of it (the caller removes the folder it is in). A cancelled
  // page fails with an empty message.
  bool Write(const std::string& page, bool text_page, const std::string& to,
             const std::function<void(std::uint64_t done)>& progress, const std::atomic<bool>& cancel,
             TLockMessage* why, std::string* reason) const;

  // The run's site key, for a share link; empty for an XOR template.
  const std::string& SiteKey() const { return site_key_; }

 private:
  std::string head_;  // the start page up to the payload area
  std::string tail_;  // from the end of the payload area on
  TProtection protection_ = TProtection::Xor;
  std::string password_;
  std::string site_key_;
};
