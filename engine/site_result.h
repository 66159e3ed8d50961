// What a site lock did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/lock_result.h"

struct TSiteResult {
  // Locked: the output folder holds the whole locked site. Failed or
  // Cancelled: the output folder is as it was (absent, or the old one).
  TLockStatus status = TLockStatus::Failed;
  // Empty text when Locked.
  TLockMessage message;
  // The system's own error text, "" when none.
  std::string reason;
  std::size_t pages = 0;
  // Bytes of the site's own files, pages and copies.
  std::uint64_t bytes = 0;
  std::string output;
  // Relative path (with "/") of the page a visitor opens first: index.html
  // when the output's top has one; "" when its top holds no page.
  std::string top_page;
  // The 32-byte site key, for a share link (strong templates only), else "".
  std::string site_key;

  bool ok() const { return status == TLockStatus::Locked; }
};
