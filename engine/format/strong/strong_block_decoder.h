// Opens the strong block of any version: reads its header, finds the key
// (format 1: derived from the password; format 2: the site key, then the
// page's key from it; format 3: the content key from a slot, then the
// page's key from it), and opens the sealed chunks one after another, each checked by
// its tag before a byte of it is written.
#pragma once

#include <cstdint>
#include <string>

#include "engine/format/block_reader.h"
#include "engine/password.h"
#include "engine/unlock_key.h"
#include "engine/unlock_result.h"
#include "fileio/block_sink.h"

// Decodes the rest of a strong block whose first literal, `format`
// (kStrongFormatName, kStrongFormat2Name or kStrongFormat3Name), `reader` has just read, and
// writes the page's bytes to `out`. A
// wrong password fails the first chunk's tag; a later failing tag, a last
// chunk that is not marked as last, or anything after it means the page was
// altered or cut short. On failure `out` may hold the chunks that were
// proven before the failure, never an unproven byte.
// What a format 2 page opened with its password gave: the site salt, the
// iteration count and the site key derived from them.
struct TStrongSiteKey {
  std::string salt;
  std::uint32_t iterations = 0;
  std::string site_key;
  ~TStrongSiteKey();
};

// `key`: a password for every format; a link secret for formats 2 (the
// site key itself) and 3 (a link slot's password key); a keyring's content
// key for format 3. Format 3 derives the password key once and tries every
// slot with it (at most kStrongMaxSlots), the first reader wrap that opens
// giving the reader key, whose content wrap must then open: no slot opening
// is a wrong password or link, a content wrap failing after its reader wrap
// opened is a damaged page. `site`, when given, receives a format 2 page's
// site key once the whole page is proven with a password.
TUnlockResult DecodeStrongBlock(TBlockReader& reader, const std::string& format, const TUnlockKey& key,
                                TBlockSink& out, TStrongSiteKey* site = nullptr);
