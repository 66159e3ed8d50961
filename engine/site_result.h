// What a site lock did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <vector>

#include "engine/outcome.h"
#include "engine/site/site_leaks.h"
#include "engine/site/site_plan.h"

// Done: the output folder holds the whole locked site. Failed or
// Cancelled: the output folder is as it was (absent, or the old one),
// unless the problem says where the new site and the old output are
// (a swap that could neither be made to last nor be undone).
struct TSiteResult : TOutcome {
  TSiteResult() = default;
  TSiteResult(TOutcome outcome) : TOutcome(std::move(outcome)) {}

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
};
