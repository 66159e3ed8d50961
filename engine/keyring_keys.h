// A keyring's keys for the front ends, which never see them: opened with
// the owner password into what a site lock takes (TSiteRequest::keys) or
// what opens one of the site's pages (the content key as a TUnlockKey).
#pragma once

#include <memory>
#include <string>

#include "engine/keyring.h"
#include "engine/password.h"
#include "engine/unlock_key.h"

// The keyring at `path` opened with `owner` for a site lock. `keys` is set
// only when it is done.
TOutcome OpenKeyringForLock(const std::string& path, const TPassword& owner,
                            std::shared_ptr<const TSiteKeys>* keys);

// The keyring's site salt and content key, to open any page locked with it
// since its last rotation. `key` is set only when it is done.
TOutcome OpenKeyringForUnlock(const std::string& path, const TPassword& owner, TUnlockKey* key);
