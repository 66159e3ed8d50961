// A strong site lock that replaces its output (--force) keeps that output's
// site salt and iteration count when the password is the one the output was
// locked with, so that the site key stays the same: open tabs, remembered
// devices and share links go on working. The password is checked against
// one locked page of the old output, the one key derivation of the run.
#pragma once

#include <string>

#include "engine/format/strong/strong_block_decoder.h"
#include "engine/password.h"

enum class TSiteKeyReuse {
  // No format 2 page found in the old output: nothing to keep.
  NoLockedPage,
  // The password opened the page: `site` holds its salt, count and key.
  Kept,
  // The page is refused under this password: the site gets a new salt.
  OtherPassword,
};

// Looks through `old_output` (breadth first, at most a few hundred files)
// for a page whose block is format 2 and opens it with `password`.
TSiteKeyReuse ReuseSiteKey(const std::string& old_output, const TPassword& password, TStrongSiteKey* site);
