#include "engine/format/strong/strong_codec.h"

#include <vector>

#include "engine/format/base64.h"
#include "engine/format/strong/sealed_lines.h"
#include "engine/format/strong/strong_block.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/strong/strong_stream.h"
#include "platform/crypto.h"
#include "resources/message_table.h"

TProblem TStrongCodec::Make(const TPassword& password, std::unique_ptr<TStrongCodec>* codec) {
  codec->reset();
  std::string site_salt(kStrongSaltSize, '\0');
  if (!platform::SystemRandom(site_salt.data(), site_salt.size()))
    return {{messages::kCannotMakeKey, {}}, {}};
  return Make(password, site_salt, codec);
}

TStrongCodec::~TStrongCodec() { platform::Wipe(&site_key_); }

TProblem TStrongCodec::Make(const TPassword& password, const std::string& site_salt,
                            std::unique_ptr<TStrongCodec>* codec) {
  codec->reset();
  std::string utf8, site_key;
  const platform::WipeOnExit wipe{&utf8, &site_key};
  if (TProblem problem = StrongPasswordBytes(password, &utf8)) return problem;
  if (site_salt.size() != kStrongSaltSize || !DeriveSiteKey(utf8, site_salt, kStrongIterations, &site_key))
    return {{messages::kCannotMakeKey, {}}, {}};
  codec->reset(new TStrongCodec(site_salt, site_key, kStrongIterations));
  return {};
}

std::unique_ptr<TStrongCodec> TStrongCodec::Continue(std::string site_salt, std::uint32_t iterations,
                                                     std::string site_key) {
  return std::unique_ptr<TStrongCodec>(new TStrongCodec(std::move(site_salt), std::move(site_key), iterations));
}

TOutcome TStrongCodec::WriteBlock(TByteSource& page, bool text_page, const std::string& line_break,
                                  TBlockSink& sink, const TCodecProgress& progress) {
  std::string page_salt(kStrongSaltSize, '\0'), prefix(kStrongNoncePrefixSize, '\0');
  if (!platform::SystemRandom(page_salt.data(), page_salt.size()) ||
      !platform::SystemRandom(prefix.data(), prefix.size()))
    return BlockFailed(messages::kCannotMakeKey);
  return WriteBlock(page, text_page, line_break, page_salt, prefix, sink, progress);
}

TOutcome TStrongCodec::WriteBlock(TByteSource& page, bool text_page, const std::string& line_break,
                                  const std::string& page_salt, const std::string& nonce_prefix,
                                  TBlockSink& sink, const TCodecProgress& progress) {
  const std::vector<std::string> header = {
      kStrongFormat2Name,         std::to_string(iterations_),
      Base64Encode(site_salt_),   Base64Encode(page_salt),
      Base64Encode(nonce_prefix), text_page ? kStrongTextKind : kStrongHtmlKind};
  std::string page_key;
  const platform::WipeOnExit wipe{&page_key};
  TStrongStream stream;
  if (page_salt.size() != kStrongSaltSize || !DerivePageKey(site_key_, page_salt, &page_key) ||
      !stream.Start(page_key, nonce_prefix, StrongAad(header)))
    return BlockFailed(messages::kCannotMakeKey);
  TSealedLines lines(sink, kStrongChunkSize + platform::kGcmTagSize, line_break);
  for (const auto& literal : header)
    if (!lines.PutLiteral(literal)) return BlockFailed(messages::kCannotWriteLockedPage);
  return SealPageChunks(page, stream, lines, progress);
}
