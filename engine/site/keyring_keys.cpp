#include "engine/keyring_keys.h"

#include "engine/format/strong/site_keys.h"

TKeyringResult OpenKeyringForLock(const std::string& path, const TPassword& owner,
                                  std::shared_ptr<const TSiteKeys>* keys) {
  auto opened = std::make_shared<TSiteKeys>();
  TKeyringResult result = OpenKeyring(path, owner, opened.get());
  if (result.Done()) *keys = std::move(opened);
  return result;
}

TKeyringResult OpenKeyringForUnlock(const std::string& path, const TPassword& owner, TUnlockKey* key) {
  TSiteKeys opened;
  TKeyringResult result = OpenKeyring(path, owner, &opened);
  if (!result.Done()) return result;
  key->kind = TUnlockKey::TKind::ContentKey;
  key->secret = opened.content_key;
  key->site_salt = opened.site_salt;
  return result;
}
