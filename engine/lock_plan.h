// Everything a lock learns from its template before it changes anything:
// where the start page's payload area lies and which protection it asks
// for. One plan serves every page locked with the template and password.
#pragma once

#include <cstdint>
#include <string>

#include "engine/lock_result.h"
#include "engine/password.h"
#include "engine/payload_area.h"
#include "engine/template_library.h"

struct TLockPlan {
  TTemplate template_;
  std::string start_page;
  std::uint32_t start_page_size = 0;
  TPayloadArea area;
};

// Checks `found` for a lock with `password`: its start page is a regular
// file (kTemplateNotFound) that can be read (kCannotReadFile, with the
// system's reason) and holds a payload area (kWrongTemplate); an XOR
// template refuses a password whose length is a multiple of 256
// (kPasswordLengthMultipleOf256). False with the problem in `why`; nothing
// is changed either way.
bool PlanLock(const TTemplate& found, const TPassword& password, TLockPlan* plan, TLockFailure* why);
