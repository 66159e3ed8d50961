// What a site lock is asked to do.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/password.h"
#include "engine/template_library.h"

// A keyring's opened keys (engine/format/strong/site_keys.h).
struct TSiteKeys;

struct TSiteRequest {
  TTemplate template_;
  // The folder whose pages are locked; it is never changed.
  std::string source;
  // The folder the locked site is written to: new, empty, or (with
  // `force`) replaced.
  std::string output;
  TPassword password = "";
  // A keyring site: every page in format 3 with these keys, and `password`
  // unused. Else a strong template writes format 2, and with `force` over an
  // output locked with the same password keeps its site salt.
  std::shared_ptr<const TSiteKeys> keys;
  // Page patterns (see engine/site/page_patterns.h); empty: "*.html", "*.htm".
  std::vector<std::string> include;
  // Left out entirely, pages or not.
  std::vector<std::string> exclude;
  // Copied in clear on purpose, whatever the copy policy says.
  std::vector<std::string> copy;
  // The page the share link opens, as a path with "/" under the source (or
  // the output) folder; empty: the top index.html, if any.
  std::string share_page;
  // A copy that holds the pages' text makes the lock fail, writing nothing.
  bool strict = false;
  // Plans and checks only; nothing is written and the password is unused.
  bool dry_run = false;
  // Pages locked at once; 0 counts as 1.
  unsigned jobs = 1;
  // Replaces an output folder that is not empty.
  bool force = false;
};
