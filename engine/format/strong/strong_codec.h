// The strong protection as a page codec, writing format 2: made once per
// run, it draws the site salt and derives the site key (PBKDF2, the run's
// one slow step); each page then gets a fresh page salt and nonce prefix,
// and its own key from the site key by HKDF.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "engine/format/page_codec.h"

class TStrongCodec final : public TPageCodec {
 public:
  // Takes the typed password and draws the site salt from the system's
  // random source. The problem as MakePageCodec's, with `codec` left empty.
  static TProblem Make(const TPassword& password, std::unique_ptr<TStrongCodec>* codec);
  // The same with a given 16-byte site salt, so that tests can fix it.
  static TProblem Make(const TPassword& password, const std::string& site_salt,
                       std::unique_ptr<TStrongCodec>* codec);

  // Goes on with a site locked before: its site salt, iteration count and
  // the site key derived from them (checked against one of its pages), so
  // that the new pages open under the same site key and no derivation runs.
  static std::unique_ptr<TStrongCodec> Continue(std::string site_salt, std::uint32_t iterations,
                                                std::string site_key);

  TProtection Protection() const override { return TProtection::Strong; }

  // A fresh page salt and nonce prefix from the system's random source.
  TOutcome WriteBlock(TByteSource& page, bool text_page, const std::string& line_break, TBlockSink& sink,
                      const TCodecProgress& progress = {}) override;

  // The same with a given page salt (16 bytes) and nonce prefix (7 bytes),
  // so that tests can fix them; kCannotMakeKey for other sizes. Never reuse a
  // page salt within one run.
  TOutcome WriteBlock(TByteSource& page, bool text_page, const std::string& line_break,
                      const std::string& page_salt, const std::string& nonce_prefix, TBlockSink& sink,
                      const TCodecProgress& progress = {});

  // The site key is wiped when the codec goes.
  ~TStrongCodec() override;

  const std::string& SiteSalt() const { return site_salt_; }
  // The run's site key: what a share link carries.
  std::string ShareKey() const override { return site_key_; }

 private:
  TStrongCodec(std::string site_salt, std::string site_key, std::uint32_t iterations)
      : site_salt_(std::move(site_salt)), site_key_(std::move(site_key)), iterations_(iterations) {}

  std::string site_salt_, site_key_;
  std::uint32_t iterations_;
};
