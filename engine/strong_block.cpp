#include "engine/strong_block.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/base64.h"
#include "engine/strong_format.h"
#include "engine/strong_keys.h"
#include "engine/xor_format.h"
#include "platform/crypto.h"

TBlockStatus SealPageChunks(TByteSource& page, const TStrongStream& stream, TSealedLines& lines,
                            const TCodecProgress& progress) {
  // A chunk is sealed once the next read shows whether it is the last: a
  // page of a whole number of chunks ends with a full chunk, and only an
  // empty page seals an empty one.
  std::vector<unsigned char> chunk(kStrongChunkSize), next(kStrongChunkSize);
  std::size_t size = 0, next_size = 0;
  std::uint64_t done = 0;
  const std::uint64_t total = page.Size();
  if (!page.Read(chunk.data(), chunk.size(), &size)) return TBlockStatus::ReadFailed;
  for (std::uint32_t index = 0;; ++index) {
    bool last = size < kStrongChunkSize;
    if (!last) {
      if (!page.Read(next.data(), next.size(), &next_size)) return TBlockStatus::ReadFailed;
      last = next_size == 0;
    }
    if (!stream.Seal(index, last, chunk.data(), size, lines.Room())) return TBlockStatus::CryptoFailed;
    if (!lines.Commit(size + platform::kGcmTagSize)) return TBlockStatus::WriteFailed;
    done += size;
    if (progress && total > 0 && !progress(std::min(done, total), total)) return TBlockStatus::Cancelled;
    if (last) break;
    // The index has 4 bytes; no page of a 32-bit system comes near that.
    if (index == UINT32_MAX) return TBlockStatus::ReadFailed;
    std::swap(chunk, next);
    size = next_size;
  }
  return lines.Finish() ? TBlockStatus::Written : TBlockStatus::WriteFailed;
}

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
  const platform::WipeOnExit wipe{&utf8, &key};
  if (StrongPasswordBytes(password, &utf8) != TStrongPassword::Ok ||
      !DeriveSiteKey(utf8, salt, kStrongIterations, &key))
    return false;
  const std::vector<std::string> header = {kStrongFormatName, std::to_string(kStrongIterations),
                                           Base64Encode(salt), Base64Encode(nonce_prefix),
                                           text_page ? kStrongTextKind : kStrongHtmlKind};
  TStrongStream stream;
  if (!stream.Start(key, nonce_prefix, StrongAad(header))) return false;
  TSealedLines lines(sink, kStrongChunkSize + platform::kGcmTagSize, std::string(kXorLineBreak));
  for (const auto& literal : header)
    if (!lines.PutLiteral(literal)) return false;
  return SealPageChunks(page, stream, lines, {}) == TBlockStatus::Written;
}
