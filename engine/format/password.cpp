#include "engine/password.h"

#include "platform/crypto.h"

bool TPassword::ToUtf8(std::string* utf8) const {
  if (!has_utf8_) return platform::PasswordToUtf8(typed_, utf8);
  *utf8 = utf8_;
  return true;
}

TPassword::~TPassword() {
  platform::Wipe(&typed_);
  platform::Wipe(&utf8_);
}
