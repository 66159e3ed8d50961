// What a lock is asked to do: lock `page` with a template and a password,
// keeping the page's bytes in `backup`.
#pragma once

#include <string>

#include "engine/password.h"
#include "engine/template_library.h"

struct TLockRequest {
  TTemplate template_;
  std::string page;
  std::string backup;
  // The typed bytes for the XOR block, with the UTF-8 form for a strong key
  // when the caller read the typed text as wide characters (TPassword).
  TPassword password;
};
