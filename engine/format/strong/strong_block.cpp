#include "engine/format/strong/strong_block.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "engine/format/base64.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/xor/xor_format.h"
#include "platform/crypto.h"

TOutcome SealPageChunks(TByteSource& page, const TStrongStream& stream, TSealedLines& lines,
                        const TCodecProgress& progress) {
  // A chunk is sealed once the next read shows whether it is the last: a
  // page of a whole number of chunks ends with a full chunk, and only an
  // empty page seals an empty one.
  // Not cleared when made: a chunk is only read as far as the page filled it.
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[kStrongChunkSize]),
      next(new unsigned char[kStrongChunkSize]);
  std::size_t size = 0, next_size = 0;
  std::uint64_t done = 0;
  const std::uint64_t total = page.Size();
  if (!page.Read(chunk.get(), kStrongChunkSize, &size)) return BlockFailed(messages::kCannotReadFile);
  for (std::uint32_t index = 0;; ++index) {
    bool last = size < kStrongChunkSize;
    if (!last) {
      if (!page.Read(next.get(), kStrongChunkSize, &next_size)) return BlockFailed(messages::kCannotReadFile);
      last = next_size == 0;
    }
    if (!stream.Seal(index, last, chunk.get(), size, lines.Room()))
      return BlockFailed(messages::kCannotMakeKey);
    if (!lines.Commit(size + platform::kGcmTagSize)) return BlockFailed(messages::kCannotWriteLockedPage);
    done += size;
    if (progress && total > 0 && !progress(std::min(done, total), total)) return CancelledOutcome();
    if (last) break;
    // The index has 4 bytes; no page of a 32-bit system comes near that.
    if (index == UINT32_MAX) return BlockFailed(messages::kCannotReadFile);
    std::swap(chunk, next);
    size = next_size;
  }
  return lines.Finish() ? TOutcome{} : BlockFailed(messages::kCannotWriteLockedPage);
}
