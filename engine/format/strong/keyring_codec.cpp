#include "engine/format/strong/keyring_codec.h"

#include <cstring>

#include "engine/format/base64.h"
#include "engine/format/strong/key_wraps.h"
#include "engine/format/strong/sealed_lines.h"
#include "engine/format/strong/strong_block.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/strong/strong_stream.h"
#include "platform/crypto.h"
#include "resources/message_table.h"

static_assert(sizeof(TKeySlot::id) == kStrongSlotIdSize && sizeof(TKeySlot::reader_wrap) == kStrongWrapSize &&
                  kStrongSlotIdSize + 2 * kStrongWrapSize == kStrongSlotSize,
              "a slot is its id and two wraps");

TProblem TKeyringCodec::Make(const TSiteKeys& keys, std::unique_ptr<TKeyringCodec>* codec) {
  codec->reset();
  if (keys.site_salt.size() != kStrongSaltSize || keys.content_key.size() != platform::kAesKeySize ||
      keys.slots.empty() || keys.slots.size() > kStrongMaxSlots || keys.iterations == 0 ||
      keys.iterations > kStrongMaxIterations)
    return {{messages::kCannotMakeKey, {}}, {}};
  std::unique_ptr<TKeyringCodec> made(new TKeyringCodec());
  made->site_salt_ = keys.site_salt;
  made->content_key_ = keys.content_key;
  made->iterations_ = keys.iterations;
  const std::string salt_text = Base64Encode(keys.site_salt);
  unsigned char slot[kStrongSlotSize];
  for (const TKeySlot& key_slot : keys.slots) {
    const std::string id_text =
        Base64Encode({reinterpret_cast<const char*>(key_slot.id.data()), key_slot.id.size()});
    TKeyWrap content;
    if (!SealKeyWrap(key_slot.reader_key, keys.content_key,
                     StrongWrapAad(salt_text, id_text, kStrongContentWrapLabel), &content))
      return {{messages::kCannotMakeKey, {}}, {}};
    std::memcpy(slot, key_slot.id.data(), kStrongSlotIdSize);
    std::memcpy(slot + kStrongSlotIdSize, key_slot.reader_wrap.data(), kStrongWrapSize);
    std::memcpy(slot + kStrongSlotIdSize + kStrongWrapSize, content.data(), kStrongWrapSize);
    made->slots_.push_back(Base64Encode({reinterpret_cast<const char*>(slot), sizeof slot}));
  }
  *codec = std::move(made);
  return {};
}

TKeyringCodec::~TKeyringCodec() { platform::Wipe(&content_key_); }

TOutcome TKeyringCodec::WriteBlock(TByteSource& page, bool text_page, const std::string& line_break,
                                   TBlockSink& sink, const TCodecProgress& progress) {
  std::string page_salt(kStrongSaltSize, '\0'), prefix(kStrongNoncePrefixSize, '\0');
  if (!platform::SystemRandom(page_salt.data(), page_salt.size()) ||
      !platform::SystemRandom(prefix.data(), prefix.size()))
    return BlockFailed(messages::kCannotMakeKey);
  const std::vector<std::string> header = {
      kStrongFormat3Name,           std::to_string(iterations_),
      Base64Encode(site_salt_),     Base64Encode(page_salt),
      Base64Encode(prefix),         text_page ? kStrongTextKind : kStrongHtmlKind,
      std::to_string(slots_.size())};
  std::string page_key;
  const platform::WipeOnExit wipe{&page_key};
  TStrongStream stream;
  if (!DerivePageKey(content_key_, page_salt, &page_key) ||
      !stream.Start(page_key, prefix, StrongAad(header)))
    return BlockFailed(messages::kCannotMakeKey);
  TSealedLines lines(sink, kStrongChunkSize + platform::kGcmTagSize, line_break);
  for (const auto& literal : header)
    if (!lines.PutLiteral(literal)) return BlockFailed(messages::kCannotWriteLockedPage);
  for (const auto& literal : slots_)
    if (!lines.PutLiteral(literal)) return BlockFailed(messages::kCannotWriteLockedPage);
  return SealPageChunks(page, stream, lines, progress);
}
