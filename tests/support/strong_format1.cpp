#include "tests/support/strong_format1.h"

#include <vector>

#include "engine/format/base64.h"
#include "engine/format/strong/sealed_lines.h"
#include "engine/format/strong/strong_block.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/strong/strong_stream.h"
#include "engine/format/xor/xor_format.h"
#include "fileio/byte_source.h"
#include "platform/crypto.h"

bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      TBlockSink& sink) {
  std::string salt(kStrongSaltSize, '\0'), prefix(kStrongNoncePrefixSize, '\0');
  if (!platform::SystemRandom(salt.data(), salt.size()) ||
      !platform::SystemRandom(prefix.data(), prefix.size()))
    return false;
  return WriteStrongBlock(source_path, password, text_page, salt, prefix, sink);
}

bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      const std::string& salt, const std::string& nonce_prefix, TBlockSink& sink) {
  if (salt.size() != kStrongSaltSize || nonce_prefix.size() != kStrongNoncePrefixSize) return false;
  TByteSource page;
  if (!page.Open(source_path)) return false;
  std::string utf8, key;
  if (StrongPasswordBytes(password, &utf8) || !DeriveSiteKey(utf8, salt, kStrongIterations, &key))
    return false;
  const std::vector<std::string> header = {kStrongFormatName, std::to_string(kStrongIterations),
                                           Base64Encode(salt), Base64Encode(nonce_prefix),
                                           text_page ? kStrongTextKind : kStrongHtmlKind};
  TStrongStream stream;
  if (!stream.Start(key, nonce_prefix, StrongAad(header))) return false;
  TSealedLines lines(sink, kStrongChunkSize + platform::kGcmTagSize, std::string(kXorLineBreak));
  for (const auto& literal : header)
    if (!lines.PutLiteral(literal)) return false;
  return SealPageChunks(page, stream, lines, {}).ok();
}
