// Everything a lock learns from its template before it changes anything:
// where the start page's payload area lies, which protection it asks for,
// and the codec that writes the page's block. One plan serves every page
// locked with the template and password.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/format/page_codec.h"

#include "engine/outcome.h"
#include "engine/password.h"
#include "engine/template/payload_area.h"
#include "engine/template_library.h"

struct TLockPlan {
  TTemplate template_;
  std::string start_page;
  std::uint32_t start_page_size = 0;
  TPayloadArea area;
  // Writes the block of the template's protection, the lines ending as the
  // start page's marker line does (area.line_break).
  std::shared_ptr<TPageCodec> codec;
};

// Checks `found` for a lock with `password`: its start page is a regular
// file (kTemplateNotFound) that can be read (kCannotReadFile, with the
// system's reason) and holds a payload area (kWrongTemplate). Makes the
// codec of the template's protection for `password`: an XOR template
// refuses a password whose length is a multiple of 256
// (kPasswordLengthMultipleOf256), a strong one a password that is not UTF-8
// (kPasswordNotUtf8) or has no UTF-8 form (kPasswordNotConvertible), and a
// failed derivation is kCannotMakeKey. The plan, or the problem; nothing
// is changed either way.
TValueOr<TLockPlan> PlanLock(const TTemplate& found, const TPassword& password);

// Makes the codec for the template's protection once the start page is
// found: a site lock's own choice (a keyring's, or a site key kept from
// the output it replaces). The problem, with the codec left empty, when it
// cannot be made.
using TCodecMaker = std::function<TProblem(TProtection, std::unique_ptr<TPageCodec>*)>;

// The same checks, the codec made by `make_codec`.
TValueOr<TLockPlan> PlanLock(const TTemplate& found, const TCodecMaker& make_codec);
