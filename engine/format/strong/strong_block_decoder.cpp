#include "engine/format/strong/strong_block_decoder.h"

#include <cstdint>
#include <utility>

#include "engine/format/base64.h"
#include "engine/format/strong/key_wraps.h"
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
  // `first_failure` is what a first chunk that fails its tag means.
  TChunkOpener(const TStrongStream& stream, TBlockSink& out, TUnlockResult first_failure)
      : stream_(stream), out_(out), plain_(kStrongChunkSize), first_failure_(std::move(first_failure)) {}

  // Opens one sealed chunk and writes it.
  TUnlockResult Open(const std::string& sealed, std::size_t size, bool last) {
    if (!stream_.Open(index_, last, reinterpret_cast<const unsigned char*>(sealed.data()), size,
                      plain_.data())) {
      if (index_ == 0) return first_failure_;
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
  const TUnlockResult first_failure_;
  std::uint32_t index_ = 0;
};

bool Base64Bytes(const std::string& text, std::size_t size, std::string* bytes) {
  return Base64Decode(text, bytes) && bytes->size() == size;
}


// Format 3's slot count in plain decimal without leading zeros, 1 to
// kStrongMaxSlots.
bool ParseSlotCount(const std::string& text, std::size_t* count) {
  if (text.empty() || text.size() > 4 || text[0] == '0') return false;
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  *count = value;
  return value <= kStrongMaxSlots;
}

// Format 3: tries each slot in page order with the password key; the first
// reader wrap that opens gives R, and its content wrap must then give K.
TUnlockResult OpenSlots(const std::string& password_key, const std::vector<std::string>& slots,
                        const std::string& salt_text, bool link, std::string* content_key) {
  std::string reader_key;
  const platform::WipeOnExit wipe{&reader_key};
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const auto* slot = reinterpret_cast<const unsigned char*>(slots[i].data());
    const std::string id_text = Base64Encode(slots[i].substr(0, kStrongSlotIdSize));
    if (!OpenKeyWrap(password_key, slot + kStrongSlotIdSize,
                     StrongWrapAad(salt_text, id_text, kStrongReaderWrapLabel), &reader_key))
      continue;
    if (!OpenKeyWrap(reader_key, slot + kStrongSlotIdSize + kStrongWrapSize,
                     StrongWrapAad(salt_text, id_text, kStrongContentWrapLabel), content_key))
      return Damaged("slot " + std::to_string(i + 1) + "'s content key does not open under its reader key");
    return {};
  }
  return Failed(
      {{link ? messages::kUnlockLinkOpensNoSlot : messages::kUnlockNoSlotOpens, {std::to_string(slots.size())}}, {}});
}

}  // namespace

TUnlockResult DecodeStrongBlock(TBlockReader& reader, const std::string& format, const TUnlockKey& key,
                                TBlockSink& out, TStrongSiteKey* site) {
  const bool version2 = format == kStrongFormat2Name;
  const bool version3 = format == kStrongFormat3Name;
  std::vector<std::string> header(version3   ? kStrong3HeaderLiterals
                                  : version2 ? kStrong2HeaderLiterals
                                             : kStrongHeaderLiterals);
  header[0] = format;
  bool last = false;
  auto next = [&](std::string* text) -> TUnlockResult {
    const TBlockReader::TStatus status = reader.Next(text, &last);
    if (status == TBlockReader::TStatus::ReadFailed)
      return Failed({{messages::kUnlockCannotReadPage, {reader.LastErrorText()}}, {}});
    if (status != TBlockReader::TStatus::Ok) return Damaged(reader.Problem());
    if (last) return Damaged("the block ends within its header");
    return {};
  };
  for (std::size_t i = 1; i < header.size(); ++i) {
    TUnlockResult read = next(&header[i]);
    if (!read.ok()) return read;
  }
  // Format 1: name, iterations, salt, prefix, kind. Format 2: name,
  // iterations, site salt, page salt, prefix, kind. Format 3: the same as
  // format 2, then the slot count.
  const std::size_t kind_at = version3 ? 5 : header.size() - 1;
  const std::string& prefix_text = header[kind_at - 1];
  const std::string& kind = header[kind_at];
  std::uint32_t iterations = 0;
  std::size_t slot_count = 0;
  std::string salt, page_salt, prefix;
  if (!ParseIterations(header[1], &iterations))
    return Damaged("the iteration count is not a number we accept");
  if (!Base64Bytes(header[2], kStrongSaltSize, &salt))
    return Damaged(version2 || version3 ? "the site salt is not 16 bytes of base64"
                                        : "the salt is not 16 bytes of base64");
  if ((version2 || version3) && !Base64Bytes(header[3], kStrongSaltSize, &page_salt))
    return Damaged("the page salt is not 16 bytes of base64");
  if (!Base64Bytes(prefix_text, kStrongNoncePrefixSize, &prefix))
    return Damaged("the nonce prefix is not 7 bytes of base64");
  if (kind != kStrongHtmlKind && kind != kStrongTextKind)
    return Damaged("the page kind is neither html nor text");
  if (version3 && !ParseSlotCount(header[6], &slot_count))
    return Damaged("the slot count is not a number from 1 to " + std::to_string(kStrongMaxSlots));
  std::vector<std::string> slots(slot_count);
  for (std::size_t i = 0; i < slot_count; ++i) {
    std::string text;
    TUnlockResult read = next(&text);
    if (!read.ok()) return read;
    if (text.size() != Base64Length(kStrongSlotSize) || !Base64Bytes(text, kStrongSlotSize, &slots[i]))
      return Damaged("slot " + std::to_string(i + 1) + " is not " + std::to_string(kStrongSlotSize) +
                     " bytes of base64");
  }

  // The key the chunks are sealed under: format 1's derived key, format 2's
  // page key from its site key, format 3's page key from K.
  std::string utf8, site_key, content_key, page_key;
  const platform::WipeOnExit wipe{&utf8, &site_key, &content_key, &page_key};
  switch (key.kind) {
    case TUnlockKey::TKind::Password:
      // The unlock takes the password's bytes as they come on Linux, valid
      // UTF-8 or not: a page locked with such a password before locks
      // refused them still opens here.
      if (!key.password.ToUtf8(&utf8))
        return Failed({{messages::kUnlockPasswordNotConvertible, {}}, {}});
      if (!DeriveSiteKey(utf8, salt, iterations, &site_key))
        return Failed({{messages::kUnlockCryptoFailed, {}}, {}});
      break;
    case TUnlockKey::TKind::LinkSecret:
      if (!version2 && !version3) return Failed({{messages::kUnlockLinkNotForFormat1, {}}, {}});
      site_key = key.secret;
      break;
    case TUnlockKey::TKind::ContentKey:
      if (!version3 || salt != key.site_salt)
        return Failed({{messages::kUnlockKeyringNotForPage, {}}, {}});
      content_key = key.secret;
      break;
  }
  if (version3 && key.kind != TUnlockKey::TKind::ContentKey) {
    TUnlockResult opened =
        OpenSlots(site_key, slots, header[2], key.kind == TUnlockKey::TKind::LinkSecret, &content_key);
    if (!opened.ok()) return opened;
  }
  TStrongStream stream;
  if ((version2 && !DerivePageKey(site_key, page_salt, &page_key)) ||
      (version3 && !DerivePageKey(content_key, page_salt, &page_key)) ||
      !stream.Start(version2 || version3 ? page_key : site_key, prefix, StrongAad(header)))
    return Failed({{messages::kUnlockCryptoFailed, {}}, {}});

  // A chunk is opened once more data follows it; what remains at the end is
  // the last chunk.
  // Under format 3 the slots proved the key: a failing first chunk is an
  // altered page (or a keyring's K that was rotated since).
  const TUnlockResult first_failure =
      version3 ? (key.kind == TUnlockKey::TKind::ContentKey
                      ? TUnlockResult(Failed({{messages::kUnlockKeyringNotForPage, {}}, {}}))
                      : Damaged("the first chunk does not open under the key its slot gave"))
      : key.kind == TUnlockKey::TKind::LinkSecret
          ? TUnlockResult(Failed({{messages::kUnlockWrongLink, {}}, {}}))
          : TUnlockResult(Failed({{messages::kUnlockWrongPasswordOrAltered, {}}, {}}));
  TChunkOpener opener(stream, out, first_failure);
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
  TUnlockResult opened = opener.Open(sealed, sealed.size(), true);
  if (opened.ok() && site && version2 && key.kind == TUnlockKey::TKind::Password)
    *site = {salt, iterations, site_key};
  return opened;
}

TStrongSiteKey::~TStrongSiteKey() { platform::Wipe(&site_key); }
