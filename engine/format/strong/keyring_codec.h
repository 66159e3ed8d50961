// The strong protection for a keyring site, writing format 3: made once per
// run from the keyring's opened keys (no derivation: the keyring holds the
// content key K), it makes every slot's literal once, the slot id, the
// reader wrap as the keyring stores it and a new content wrap (K under the
// slot's reader key), so that every page of the run carries the same slots.
// Each page then gets a fresh page salt and nonce prefix and its own key
// from K by HKDF, as format 2 does from its site key.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/format/page_codec.h"
#include "engine/format/strong/site_keys.h"

class TKeyringCodec final : public TPageCodec {
 public:
  // The problem, with `codec` left empty: kCannotMakeKey for keys of
  // the wrong sizes, no slot or more than kStrongMaxSlots, an iteration
  // count outside 1..kStrongMaxIterations, or a failing random source.
  static TProblem Make(const TSiteKeys& keys, std::unique_ptr<TKeyringCodec>* codec);

  TProtection Protection() const override { return TProtection::Strong; }

  TOutcome WriteBlock(TByteSource& page, bool text_page, const std::string& line_break, TBlockSink& sink,
                      const TCodecProgress& progress = {}) override;

  // A keyring site's links are its own slots (made with the keyring), so
  // the run hands none out: the content key never leaves the lock.
  std::string ShareKey() const override { return {}; }

  // K is wiped when the codec goes.
  ~TKeyringCodec() override;

  // The slot literals, in page order (tests compare them across pages).
  const std::vector<std::string>& SlotLiterals() const { return slots_; }

 private:
  TKeyringCodec() = default;

  std::string site_salt_, content_key_;
  unsigned iterations_ = 0;
  std::vector<std::string> slots_;
};
