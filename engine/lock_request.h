// What a lock is asked to do: lock `page` with a template and a password,
// keeping the page's bytes in `backup`.
#pragma once

#include <string>

#include "engine/template_library.h"

struct TLockRequest {
  TTemplate template_;
  std::string page;
  std::string backup;
  std::string password;
};
