#include "engine/keyring_keys.h"

#include "engine/format/strong/site_keys.h"

TOutcome OpenKeyringForLock(const std::string& path, const TPassword& owner,
                            std::shared_ptr<const TSiteKeys>* keys) {
  auto opened = std::make_shared<TSiteKeys>();
  TOutcome result = OpenKeyring(path, owner, opened.get());
  if (result.ok()) *keys = std::move(opened);
  return result;
}

TOutcome OpenKeyringForUnlock(const std::string& path, const TPassword& owner, TUnlockKey* key) {
  TSiteKeys opened;
  TOutcome result = OpenKeyring(path, owner, &opened);
  if (!result.ok()) return result;
  key->kind = TUnlockKey::TKind::ContentKey;
  key->secret = opened.content_key;
  key->site_salt = opened.site_salt;
  return result;
}
