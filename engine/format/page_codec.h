// TPageCodec: one interface for both protections. A codec is made once per
// run from the template's protection and the password, and then writes the
// block of any number of pages: each from a byte source (fileio/) into a
// block sink, in bounded memory whatever the page's size.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/password.h"
#include "engine/template/payload_area.h"
#include "fileio/block_sink.h"
#include "fileio/byte_source.h"

// Told after each piece of the block that `done` of the page's `total`
// bytes are encoded (0 < total). It runs between writes; false cancels.
using TCodecProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

enum class TBlockStatus {
  Written,
  // The page could not be read to its end (the byte source tells why), or
  // an XOR block ended early at an empty line (a 0 byte at a line's start:
  // the page gained zero bytes after its check). A lone 0 byte inside a line
  // ends that line and is dropped, as the XOR format has always read it.
  ReadFailed,
  // The sink refused bytes (a file sink tells why).
  WriteFailed,
  // The system's random source or cryptography failed.
  CryptoFailed,
  // The progress callback asked to stop.
  Cancelled,
};

class TPageCodec {
 public:
  virtual ~TPageCodec() = default;

  // The protection whose block it writes.
  virtual TProtection Protection() const = 0;

  // Reads `page` to its end and streams its block into `sink`, every line
  // ending in `line_break` (the template's own, CR LF or LF). `text_page`
  // marks a plain-text page, shown as text. Anything but Written leaves the
  // sink holding part of a block.
  virtual TBlockStatus WriteBlock(TByteSource& page, bool text_page, const std::string& line_break,
                                  TBlockSink& sink, const TCodecProgress& progress = {}) = 0;

  // The key that opens every page this codec writes, for a share link: the
  // strong codec's site key. "" when the protection has none.
  virtual std::string ShareKey() const { return {}; }
};

enum class TCodecSetup {
  Ready,
  // XOR: the block uses the password's length mod 256, so a multiple of
  // 256 would leave one byte of it.
  PasswordLengthMultipleOf256,
  // Strong: a Windows password with no UTF-8 form.
  PasswordNotConvertible,
  // Strong: the password's bytes are not UTF-8, so no browser could open
  // the page.
  PasswordNotUtf8,
  // Strong: the random source or the key derivation failed.
  CryptoFailed,
  // A keyring site asked for an XOR template, which has no slots.
  XorWithKeyring,
};

// The codec of `protection` for `password` (not empty). The strong codec
// draws the run's site salt and derives its site key here, the one slow
// step of a run; every page it then writes gets its own key from it. On
// anything but Ready, `codec` is left empty.
TCodecSetup MakePageCodec(TProtection protection, const TPassword& password,
                          std::unique_ptr<TPageCodec>* codec);
