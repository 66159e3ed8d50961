// The XOR protection as a page codec: the page block of
// engine/format/xor/page_encoding.h under one password.
#pragma once

#include <string>
#include <utility>

#include "engine/format/page_codec.h"

class TXorCodec final : public TPageCodec {
 public:
  explicit TXorCodec(std::string password) : password_(std::move(password)) {}

  TProtection Protection() const override { return TProtection::Xor; }

  // A 0 byte in the page ends its data early: the page is then not read to
  // its end, and the result is ReadFailed.
  TOutcome WriteBlock(TByteSource& page, bool text_page, const std::string& line_break, TBlockSink& sink,
                      const TCodecProgress& progress = {}) override;

 private:
  std::string password_;
};
