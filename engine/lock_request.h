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
  // A page whose name ends in ".txt" in any letter case is a text page, as
  // in a site lock; false: only ".txt" exactly, as batch mode has it.
  bool text_in_any_case = false;
};
