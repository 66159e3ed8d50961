// What opens a locked page: its password (every format), a share link's
// secret, or a keyring site's content key, opened from its keyring with the
// owner password.
#pragma once

#include <string>

#include "engine/password.h"

struct TUnlockKey {
  enum class TKind {
    Password,
    // Format 3: the secret is the link slot's password key; format 2: the
    // secret is the site key itself, as the link carries it.
    LinkSecret,
    // Format 3: K itself, for a page whose site salt is `site_salt`.
    ContentKey,
  };
  TKind kind = TKind::Password;
  TPassword password = "";
  // LinkSecret and ContentKey: 32 bytes.
  std::string secret;
  // ContentKey: the keyring's 16-byte site salt; a page of another site is
  // refused.
  std::string site_salt;

  // The secret is wiped when the key goes.
  ~TUnlockKey();
};

// The secret of a share link, from the link itself or the text after its
// "#zendrel-key=" (43 characters of base64url, no padding). False when the
// text holds no such secret; `secret` then empty.
bool ShareLinkSecret(const std::string& text, std::string* secret);
