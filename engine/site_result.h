// What a site lock did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <vector>

#include "engine/lock_result.h"
#include "engine/site/site_leaks.h"
#include "engine/site/site_plan.h"

struct TSiteResult {
  // Locked: the output folder holds the whole locked site. Failed or
  // Cancelled: the output folder is as it was (absent, or the old one).
  TLockStatus status = TLockStatus::Failed;
  // Empty text when Locked.
  TLockMessage message;
  // The system's own error text, "" when none.
  std::string reason;
  std::size_t pages = 0;
  // Site files copied in clear, and the files and folders left out.
  std::size_t copies = 0;
  std::vector<TLeftOutEntry> left_out;
  // The copies that hold the pages' text (also when a strict run failed
  // for them).
  std::vector<TSiteLeak> leaks;
  // A dry run: every file it would write, pages, copies and template files.
  std::vector<TSiteFile> files;
  // Bytes of the site's own files, pages and copies.
  std::uint64_t bytes = 0;
  std::string output;
  // Relative path (with "/") of the page the share link opens: the one asked
  // for, else index.html when the output's top has one, else "".
  std::string top_page;
  // The 32-byte site key, for a share link (strong templates only), else "".
  std::string site_key;

  bool ok() const { return status == TLockStatus::Locked; }
};
