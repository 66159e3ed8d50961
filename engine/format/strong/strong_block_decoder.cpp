#include "engine/format/strong/strong_block_decoder.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/format/base64.h"
#include "engine/format/strong/key_wraps.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/strong/strong_stream.h"
#include "platform/crypto.h"
#include "resources/message_table.h"

namespace {

constexpr std::size_t kSealedChunk = kStrongChunkSize + platform::kGcmTagSize;

TProblem Damage(const std::string& what) { return {{messages::kUnlockDamaged, {what}}, {}}; }

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
  TChunkOpener(const TStrongStream& stream, TBlockSink& out, TProblem first_failure)
      : stream_(stream), out_(out), plain_(kStrongChunkSize), first_failure_(std::move(first_failure)) {}

  // Opens one sealed chunk and writes it.
  TProblem Open(const std::string& sealed, std::size_t size, bool last) {
    if (!stream_.Open(index_, last, reinterpret_cast<const unsigned char*>(sealed.data()), size,
                      plain_.data())) {
      if (index_ == 0) return first_failure_;
      return Damage("chunk " + std::to_string(index_) +
                    (last ? " does not open as the last: the page was cut short or altered"
                          : " does not authenticate: the page was altered"));
    }
    if (!out_.Put(reinterpret_cast<const char*>(plain_.data()), size - platform::kGcmTagSize))
      return {{messages::kUnlockCannotWrite, {}}, {}};
    if (index_ == UINT32_MAX) return Damage("more chunks than the format can count");
    ++index_;
    return {};
  }

 private:
  const TStrongStream& stream_;
  TBlockSink& out_;
  std::vector<unsigned char> plain_;
  const TProblem first_failure_;
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
TProblem OpenSlots(const std::string& password_key, const std::vector<std::string>& slots,
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
      return Damage("slot " + std::to_string(i + 1) + "'s content key does not open under its reader key");
    return {};
  }
  return {{link ? messages::kUnlockLinkOpensNoSlot : messages::kUnlockNoSlotOpens,
           {std::to_string(slots.size())}},
          {}};
}

// The header as read and checked. Format 1: name, iterations, salt, prefix,
// kind. Format 2: name, iterations, site salt, page salt, prefix, kind.
// Format 3: the same as format 2, then the slot count; its slots follow.
struct THeader {
  explicit THeader(const std::string& format)
      : version2(format == kStrongFormat2Name),
        version3(format == kStrongFormat3Name),
        literals(version3   ? kStrong3HeaderLiterals
                 : version2 ? kStrong2HeaderLiterals
                            : kStrongHeaderLiterals) {
    literals[0] = format;
  }

  const bool version2;
  const bool version3;
  // As the page holds them: the chunks' additional data is made of them.
  std::vector<std::string> literals;
  std::uint32_t iterations = 0;
  std::string salt, page_salt, prefix;
  std::size_t slot_count = 0;
  std::vector<std::string> slots;
};

// Reads the next literal; `last` tells whether it was the block's last.
TProblem ReadLiteral(TBlockReader& reader, std::string* text, bool* last) {
  const TBlockReader::TStatus status = reader.Next(text, last);
  if (status == TBlockReader::TStatus::ReadFailed)
    return {{messages::kUnlockCannotReadPage, {reader.LastErrorText()}}, {}};
  if (status != TBlockReader::TStatus::Ok) return Damage(reader.Problem());
  return {};
}

// Reads a literal of the header, which the sealed data must still follow.
TProblem ReadHeaderLiteral(TBlockReader& reader, std::string* text) {
  bool last = false;
  if (TProblem problem = ReadLiteral(reader, text, &last)) return problem;
  if (last) return Damage("the block ends within its header");
  return {};
}

// Reads every header literal after the name, before any is checked.
TProblem ReadHeader(TBlockReader& reader, THeader* header) {
  for (std::size_t i = 1; i < header->literals.size(); ++i)
    if (TProblem problem = ReadHeaderLiteral(reader, &header->literals[i])) return problem;
  return {};
}

// Checks the header's literals in page order and keeps their values.
TProblem ParseHeader(THeader* header) {
  const std::vector<std::string>& literals = header->literals;
  const bool version2 = header->version2;
  const bool version3 = header->version3;
  const std::size_t kind_at = version3 ? 5 : literals.size() - 1;
  const std::string& kind = literals[kind_at];
  if (!ParseIterations(literals[1], &header->iterations))
    return Damage("the iteration count is not a number we accept");
  if (!Base64Bytes(literals[2], kStrongSaltSize, &header->salt))
    return Damage(version2 || version3 ? "the site salt is not 16 bytes of base64"
                                       : "the salt is not 16 bytes of base64");
  if ((version2 || version3) && !Base64Bytes(literals[3], kStrongSaltSize, &header->page_salt))
    return Damage("the page salt is not 16 bytes of base64");
  if (!Base64Bytes(literals[kind_at - 1], kStrongNoncePrefixSize, &header->prefix))
    return Damage("the nonce prefix is not 7 bytes of base64");
  if (kind != kStrongHtmlKind && kind != kStrongTextKind)
    return Damage("the page kind is neither html nor text");
  if (version3 && !ParseSlotCount(literals[6], &header->slot_count))
    return Damage("the slot count is not a number from 1 to " + std::to_string(kStrongMaxSlots));
  return {};
}

// Format 3's slots, each checked as soon as it is read.
TProblem ReadSlots(TBlockReader& reader, THeader* header) {
  header->slots.resize(header->slot_count);
  for (std::size_t i = 0; i < header->slot_count; ++i) {
    std::string text;
    if (TProblem problem = ReadHeaderLiteral(reader, &text)) return problem;
    if (text.size() != Base64Length(kStrongSlotSize) ||
        !Base64Bytes(text, kStrongSlotSize, &header->slots[i]))
      return Damage("slot " + std::to_string(i + 1) + " is not " + std::to_string(kStrongSlotSize) +
                    " bytes of base64");
  }
  return {};
}

// The key the page's password, link or keyring gives before any slot:
// format 1's derived key or formats 2 and 3's site (or password) key into
// `site_key`, or a keyring's K into `content_key`.
TProblem FirstKey(const THeader& header, const TUnlockKey& key, std::string* site_key,
                  std::string* content_key) {
  switch (key.kind) {
    case TUnlockKey::TKind::Password: {
      std::string utf8;
      const platform::WipeOnExit wipe{&utf8};
      // The unlock takes the password's bytes as they come on Linux, valid
      // UTF-8 or not: a page locked with such a password before locks
      // refused them still opens here.
      if (!key.password.ToUtf8(&utf8)) return {{messages::kUnlockPasswordNotConvertible, {}}, {}};
      if (!DeriveSiteKey(utf8, header.salt, header.iterations, site_key))
        return {{messages::kUnlockCryptoFailed, {}}, {}};
      return {};
    }
    case TUnlockKey::TKind::LinkSecret:
      if (!header.version2 && !header.version3) return {{messages::kUnlockLinkNotForFormat1, {}}, {}};
      *site_key = key.secret;
      return {};
    case TUnlockKey::TKind::ContentKey:
      if (!header.version3 || header.salt != key.site_salt)
        return {{messages::kUnlockKeyringNotForPage, {}}, {}};
      *content_key = key.secret;
      return {};
  }
  return {};
}

// The key the chunks are sealed under: format 1's derived key, format 2's
// page key from its site key, format 3's page key from K (a slot's, unless
// a keyring gave it). `site_key` keeps the site key for the caller.
TProblem ChunkKey(const THeader& header, const TUnlockKey& key, std::string* site_key,
                  std::string* chunk_key) {
  std::string content_key;
  const platform::WipeOnExit wipe{&content_key};
  if (TProblem problem = FirstKey(header, key, site_key, &content_key)) return problem;
  if (header.version3 && key.kind != TUnlockKey::TKind::ContentKey) {
    const bool link = key.kind == TUnlockKey::TKind::LinkSecret;
    if (TProblem problem = OpenSlots(*site_key, header.slots, header.literals[2], link, &content_key))
      return problem;
  }
  if (!header.version2 && !header.version3) {
    *chunk_key = *site_key;
    return {};
  }
  if (!DerivePageKey(header.version3 ? content_key : *site_key, header.page_salt, chunk_key))
    return {{messages::kUnlockCryptoFailed, {}}, {}};
  return {};
}

// What a first chunk that fails its tag means. Under format 3 the slots
// proved the key: it is an altered page (or a keyring's K that was rotated
// since).
TProblem FirstChunkFailure(const THeader& header, const TUnlockKey& key) {
  if (header.version3)
    return key.kind == TUnlockKey::TKind::ContentKey
               ? TProblem{{messages::kUnlockKeyringNotForPage, {}}, {}}
               : Damage("the first chunk does not open under the key its slot gave");
  if (key.kind == TUnlockKey::TKind::LinkSecret) return {{messages::kUnlockWrongLink, {}}, {}};
  return {{messages::kUnlockWrongPasswordOrAltered, {}}, {}};
}

// Reads the sealed data and writes each chunk it proves. A chunk is opened
// once more data follows it; what remains at the end is the last chunk.
TProblem OpenChunks(TBlockReader& reader, const THeader& header, const TStrongStream& stream,
                    TProblem first_failure, TBlockSink& out) {
  TChunkOpener opener(stream, out, std::move(first_failure));
  TBase64Decoder base64;
  std::string text, sealed;
  bool last = false;
  for (std::size_t line = header.literals.size() + 1; !last; ++line) {
    if (TProblem problem = ReadLiteral(reader, &text, &last)) return problem;
    if (!base64.Put(text, &sealed)) return Damage("literal " + std::to_string(line) + " is not base64");
    while (sealed.size() > kSealedChunk) {
      if (TProblem problem = opener.Open(sealed, kSealedChunk, false)) return problem;
      sealed.erase(0, kSealedChunk);
    }
  }
  if (!base64.Finish()) return Damage("the sealed data ends inside a base64 group");
  if (sealed.size() < platform::kGcmTagSize) return Damage("the last chunk is shorter than its tag");
  return opener.Open(sealed, sealed.size(), true);
}

}  // namespace

TUnlockResult DecodeStrongBlock(TBlockReader& reader, const std::string& format, const TUnlockKey& key,
                                TBlockSink& out, TStrongSiteKey* site) {
  THeader header(format);
  std::string site_key, chunk_key;
  const platform::WipeOnExit wipe{&site_key, &chunk_key};
  TStrongStream stream;
  // Every header literal is read before any is checked, and the slots only
  // after the header proved sound.
  if (TProblem problem = ReadHeader(reader, &header)) return Failed(std::move(problem));
  if (TProblem problem = ParseHeader(&header)) return Failed(std::move(problem));
  if (TProblem problem = ReadSlots(reader, &header)) return Failed(std::move(problem));
  if (TProblem problem = ChunkKey(header, key, &site_key, &chunk_key)) return Failed(std::move(problem));
  if (!stream.Start(chunk_key, header.prefix, StrongAad(header.literals)))
    return Failed({{messages::kUnlockCryptoFailed, {}}, {}});
  if (TProblem problem = OpenChunks(reader, header, stream, FirstChunkFailure(header, key), out))
    return Failed(std::move(problem));
  if (site && header.version2 && key.kind == TUnlockKey::TKind::Password)
    *site = {header.salt, header.iterations, site_key};
  return {};
}

TStrongSiteKey::~TStrongSiteKey() { platform::Wipe(&site_key); }
