#include "engine/strong_block.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/base64.h"
#include "engine/strong_format.h"
#include "engine/xor_format.h"
#include "platform/crypto.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kLineBytes = kStrongLineLength / 4 * 3;

// Cuts the sealed stream into base64 lines. At least one byte is always held
// back, so that the last line, closed by ");", is known when the stream ends.
// Chunks are sealed straight into the buffer behind the bytes held back, so
// no sealed byte is copied before it is encoded.
class TSealedLines {
 public:
  TSealedLines(TBlockSink& sink, std::size_t room) : sink_(sink), buffer_(kLineBytes + room) {}

  // Where the next sealed bytes go (room for the size given at construction).
  unsigned char* Room() { return buffer_.data() + held_; }

  // Encodes the held bytes and `size` new ones at Room() as whole lines.
  bool Commit(std::size_t size) {
    const std::size_t total = held_ + size;
    const std::size_t lines = total > kLineBytes ? (total - 1) / kLineBytes : 0;
    out_.resize(lines * (kStrongLineLength + 3 + kXorLineBreak.size()));
    char* out = out_.data();
    for (std::size_t i = 0; i < lines; ++i) {
      *out++ = '\'';
      out = Base64EncodeTo(buffer_.data() + i * kLineBytes, kLineBytes, out);
      *out++ = '\'';
      *out++ = ',';
      out = std::copy(kXorLineBreak.begin(), kXorLineBreak.end(), out);
    }
    held_ = total - lines * kLineBytes;
    std::memmove(buffer_.data(), buffer_.data() + lines * kLineBytes, held_);
    return lines == 0 || sink_.Put(out_.data(), out_.size());
  }

  bool Finish() {
    std::string last = "'";
    last.resize(1 + Base64Length(held_));
    Base64EncodeTo(buffer_.data(), held_, last.data() + 1);
    last += "');";
    last += kXorLineBreak;
    return sink_.Put(last);
  }

 private:
  TBlockSink& sink_;
  std::vector<unsigned char> buffer_;
  std::size_t held_ = 0;
  std::string out_;
};

class TReadHandle {
 public:
  explicit TReadHandle(const std::string& path) : h_(platform::OpenForReading(path)) {}
  ~TReadHandle() { platform::CloseFile(h_); }
  TReadHandle(const TReadHandle&) = delete;
  TReadHandle& operator=(const TReadHandle&) = delete;
  bool ok() const { return h_ != platform::kInvalidHandle; }
  // Fills `buffer` as far as the file goes.
  bool Read(std::vector<unsigned char>& buffer, std::size_t* got) {
    std::uint32_t n = 0;
    const bool ok = platform::ReadFileBytes(h_, buffer.data(), static_cast<std::uint32_t>(buffer.size()), &n);
    *got = n;
    return ok;
  }

 private:
  platform::FileHandle h_;
};

}  // namespace

bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      TBlockSink& sink, const TLockProgress& progress) {
  std::string salt(kStrongSaltSize, '\0'), prefix(kStrongNoncePrefixSize, '\0');
  if (!platform::SystemRandom(salt.data(), salt.size()) ||
      !platform::SystemRandom(prefix.data(), prefix.size()))
    return false;
  return WriteStrongBlock(source_path, password, text_page, salt, prefix, sink, progress);
}

bool WriteStrongBlock(const std::string& source_path, const TPassword& password, bool text_page,
                      const std::string& salt, const std::string& nonce_prefix, TBlockSink& sink,
                      const TLockProgress& progress) {
  if (salt.size() != kStrongSaltSize || nonce_prefix.size() != kStrongNoncePrefixSize) return false;
  TReadHandle source(source_path);
  if (!source.ok()) return false;

  std::string utf8, key;
  platform::AesGcmKey aes;
  if (!password.ToUtf8(&utf8) ||
      !platform::DeriveKeyPbkdf2Sha256(utf8, salt, kStrongIterations, platform::kAesKeySize, &key) ||
      !aes.SetKey(key))
    return false;

  const std::string header[kStrongHeaderLiterals] = {kStrongFormatName, std::to_string(kStrongIterations),
                                                     Base64Encode(salt), Base64Encode(nonce_prefix),
                                                     text_page ? kStrongTextKind : kStrongHtmlKind};
  std::string head;
  for (const auto& literal : header) head += '\'' + literal + "'," + std::string(kXorLineBreak);
  if (!sink.Put(head)) return false;
  const std::string aad = StrongAad(header);

  // A chunk is sealed once the next read shows whether it is the last: a
  // page of a whole number of chunks ends with a full chunk, and only an
  // empty page seals an empty one.
  std::vector<unsigned char> chunk(kStrongChunkSize), next(kStrongChunkSize);
  TSealedLines lines(sink, kStrongChunkSize + platform::kGcmTagSize);
  std::size_t size = 0, next_size = 0;
  std::uint64_t total = 0, done = 0;
  if (progress && !platform::RegularFileSize(source_path, &total)) total = 0;
  if (!source.Read(chunk, &size)) return false;
  for (std::uint32_t index = 0;; ++index) {
    bool last = size < kStrongChunkSize;
    if (!last) {
      if (!source.Read(next, &next_size)) return false;
      last = next_size == 0;
    }
    unsigned char nonce[platform::kGcmNonceSize];
    StrongNonce(nonce_prefix, index, last, nonce);
    if (!aes.Seal(nonce, aad, chunk.data(), size, lines.Room()) ||
        !lines.Commit(size + platform::kGcmTagSize))
      return false;
    done += size;
    if (progress && total > 0) progress(std::min(done, total), total);
    if (last) break;
    // The index has 4 bytes; no page of a 32-bit system comes near that.
    if (index == UINT32_MAX) return false;
    std::swap(chunk, next);
    size = next_size;
  }
  return lines.Finish();
}
