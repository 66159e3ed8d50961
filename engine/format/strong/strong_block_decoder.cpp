#include "engine/format/strong/strong_block_decoder.h"

#include <cstdint>

#include "engine/format/base64.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/strong/strong_stream.h"
#include "platform/crypto.h"
#include "resources/message_table.h"

namespace {

constexpr std::size_t kSealedChunk = kStrongChunkSize + platform::kGcmTagSize;

TUnlockResult Damaged(const std::string& what) { return Failed({{messages::kUnlockDamaged, {what}}, {}}); }

// The iteration count in plain decimal, without leading zeros.
bool ParseIterations(const std::string& text, std::uint32_t* count) {
  if (text.empty() || text.size() > 9 || text[0] == '0') return false;
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  *count = value;
  return value <= kStrongMaxIterations;
}

class TChunkOpener {
 public:
  TChunkOpener(const TStrongStream& stream, TBlockSink& out)
      : stream_(stream), out_(out), plain_(kStrongChunkSize) {}

  // Opens one sealed chunk and writes it.
  TUnlockResult Open(const std::string& sealed, std::size_t size, bool last) {
    if (!stream_.Open(index_, last, reinterpret_cast<const unsigned char*>(sealed.data()), size,
                      plain_.data())) {
      if (index_ == 0) return Failed({{messages::kUnlockWrongPasswordOrAltered, {}}, {}});
      return Damaged("chunk " + std::to_string(index_) +
                     (last ? " does not open as the last: the page was cut short or altered"
                           : " does not authenticate: the page was altered"));
    }
    if (!out_.Put(reinterpret_cast<const char*>(plain_.data()), size - platform::kGcmTagSize))
      return Failed({{messages::kUnlockCannotWrite, {}}, {}});
    if (index_ == UINT32_MAX) return Damaged("more chunks than the format can count");
    ++index_;
    return {};
  }

 private:
  const TStrongStream& stream_;
  TBlockSink& out_;
  std::vector<unsigned char> plain_;
  std::uint32_t index_ = 0;
};

bool Base64Bytes(const std::string& text, std::size_t size, std::string* bytes) {
  return Base64Decode(text, bytes) && bytes->size() == size;
}

}  // namespace

TUnlockResult DecodeStrongBlock(TBlockReader& reader, const std::string& format, const TPassword& password,
                                TBlockSink& out) {
  const bool version2 = format == kStrongFormat2Name;
  std::vector<std::string> header(version2 ? kStrong2HeaderLiterals : kStrongHeaderLiterals);
  header[0] = format;
  bool last = false;
  for (std::size_t i = 1; i < header.size(); ++i) {
    const TBlockReader::TStatus status = reader.Next(&header[i], &last);
    if (status == TBlockReader::TStatus::ReadFailed)
      return Failed({{messages::kUnlockCannotReadPage, {reader.LastErrorText()}}, {}});
    if (status != TBlockReader::TStatus::Ok) return Damaged(reader.Problem());
    if (last) return Damaged("the block ends within its header");
  }
  // Format 1: name, iterations, salt, prefix, kind. Format 2: name,
  // iterations, site salt, page salt, prefix, kind.
  const std::string& prefix_text = header[header.size() - 2];
  const std::string& kind = header.back();
  std::uint32_t iterations = 0;
  std::string salt, page_salt, prefix;
  if (!ParseIterations(header[1], &iterations))
    return Damaged("the iteration count is not a number we accept");
  if (!Base64Bytes(header[2], kStrongSaltSize, &salt))
    return Damaged(version2 ? "the site salt is not 16 bytes of base64"
                            : "the salt is not 16 bytes of base64");
  if (version2 && !Base64Bytes(header[3], kStrongSaltSize, &page_salt))
    return Damaged("the page salt is not 16 bytes of base64");
  if (!Base64Bytes(prefix_text, kStrongNoncePrefixSize, &prefix))
    return Damaged("the nonce prefix is not 7 bytes of base64");
  if (kind != kStrongHtmlKind && kind != kStrongTextKind)
    return Damaged("the page kind is neither html nor text");

  // The unlock takes the password's bytes as they come on Linux, valid
  // UTF-8 or not: a page locked with such a password before locks refused
  // them still opens here.
  std::string utf8, site_key, page_key;
  const platform::WipeOnExit wipe{&utf8, &site_key, &page_key};
  if (!password.ToUtf8(&utf8)) return Failed({{messages::kUnlockPasswordNotConvertible, {}}, {}});
  TStrongStream stream;
  if (!DeriveSiteKey(utf8, salt, iterations, &site_key) ||
      (version2 && !DerivePageKey(site_key, page_salt, &page_key)) ||
      !stream.Start(version2 ? page_key : site_key, prefix, StrongAad(header)))
    return Failed({{messages::kUnlockCryptoFailed, {}}, {}});

  // A chunk is opened once more data follows it; what remains at the end is
  // the last chunk.
  TChunkOpener opener(stream, out);
  TBase64Decoder base64;
  std::string text, sealed;
  for (std::size_t line = header.size() + 1; !last; ++line) {
    const TBlockReader::TStatus status = reader.Next(&text, &last);
    if (status == TBlockReader::TStatus::ReadFailed)
      return Failed({{messages::kUnlockCannotReadPage, {reader.LastErrorText()}}, {}});
    if (status != TBlockReader::TStatus::Ok) return Damaged(reader.Problem());
    if (!base64.Put(text, &sealed)) return Damaged("literal " + std::to_string(line) + " is not base64");
    while (sealed.size() > kSealedChunk) {
      TUnlockResult opened = opener.Open(sealed, kSealedChunk, false);
      if (!opened.ok()) return opened;
      sealed.erase(0, kSealedChunk);
    }
  }
  if (!base64.Finish()) return Damaged("the sealed data ends inside a base64 group");
  if (sealed.size() < platform::kGcmTagSize) return Damaged("the last chunk is shorter than its tag");
  return opener.Open(sealed, sealed.size(), true);
}
