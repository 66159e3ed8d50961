#include "engine/format/strong/keyring_format.h"

#include <algorithm>
#include <set>

#include "engine/format/base64.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "platform/crypto.h"

namespace {

// The page format whose slots the reader wraps belong to.
constexpr char kPageFormat3Name[] = "ZENDREL-AES-GCM-3";
constexpr std::size_t kCreatedLength = 20;  // YYYY-MM-DDTHH:MM:SSZ
constexpr char kReaderKind[] = "reader";
constexpr char kLinkKind[] = "link";

std::string OwnerCheckAad(const TKeyring& keyring) {
  return std::string(kKeyringFormatName) + "\nowner check\n" + Base64Encode(keyring.owner_salt);
}

// A base64 field that must decode to exactly `size` bytes.
bool DecodeExactly(std::string_view text, std::size_t size, std::string* bytes) {
  return text.size() == Base64Length(size) && Base64Decode(text, bytes) && bytes->size() == size;
}

// Decimal 1 to kStrongMaxIterations, no leading zero, as pages write it.
bool ParseIterations(std::string_view text, std::uint32_t* value) {
  if (text.empty() || text.size() > 8 || text[0] == '0') return false;
  std::uint32_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (n > kStrongMaxIterations) return false;
  *value = n;
  return true;
}

bool IsCreatedTime(std::string_view text) {
  static constexpr char kShape[] = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != kCreatedLength) return false;
  for (std::size_t i = 0; i < kCreatedLength; ++i) {
    if (kShape[i] == 'd' ? (text[i] < '0' || text[i] > '9') : text[i] != kShape[i]) return false;
  }
  return true;
}

// Cuts the text into lines at LF, each without its LF and one CR before it.
// False when the text does not end in LF or holds a CR anywhere else.
bool SplitLines(std::string_view text, std::vector<std::string_view>* lines) {
  if (text.empty() || text.back() != '\n') return false;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\r') != std::string_view::npos) return false;
    lines->push_back(line);
    start = end + 1;
  }
  return true;
}

// "<key> <value>": the value, or false.
bool Field(std::string_view line, std::string_view key, std::string_view* value) {
  if (line.size() <= key.size() + 1 || line.substr(0, key.size()) != key || line[key.size()] != ' ')
    return false;
  *value = line.substr(key.size() + 1);
  return true;
}

// Takes the text up to the next space from `*rest`.
bool NextWord(std::string_view* rest, std::string_view* word) {
  const std::size_t space = rest->find(' ');
  if (space == std::string_view::npos || space == 0) return false;
  *word = rest->substr(0, space);
  rest->remove_prefix(space + 1);
  return true;
}

bool ParseSlot(std::string_view line, TKeyringSlot* slot) {
  std::string_view rest, id, kind, created, wrap;
  if (!Field(line, "slot", &rest) || !NextWord(&rest, &id) || !NextWord(&rest, &kind) ||
      !NextWord(&rest, &created) || !NextWord(&rest, &wrap))
    return false;
  if (kind == kReaderKind) {
    slot->kind = TKeyringSlotKind::Reader;
  } else if (kind == kLinkKind) {
    slot->kind = TKeyringSlotKind::Link;
  } else {
    return false;
  }
  slot->name = std::string(rest);
  slot->created = std::string(created);
  return DecodeExactly(id, kKeySlotIdSize, &slot->id) && IsCreatedTime(created) &&
         DecodeExactly(wrap, kKeyWrapSize, &slot->reader_wrap) && KeySlotNameIsValid(slot->name);
}

TKeyringParse Parse(std::string_view text, TKeyring* keyring) {
  if (text.size() > kKeyringMaxBytes) return TKeyringParse::Damaged;
  const std::size_t first_end = text.find('\n');
  std::string_view first = text.substr(0, first_end);
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  if (first != kKeyringFormatName) return TKeyringParse::Foreign;
  std::vector<std::string_view> lines;
  // The name line, four header lines, at least one slot, the sealed line.
  if (!SplitLines(text, &lines) || lines.size() < 7 || lines.size() > 6 + kKeyringMaxSlots)
    return TKeyringParse::Damaged;
  std::string_view value;
  if (!Field(lines[1], "iterations", &value) || !ParseIterations(value, &keyring->iterations) ||
      !Field(lines[2], "site-salt", &value) || !DecodeExactly(value, kStrongSaltSize, &keyring->site_salt) ||
      !Field(lines[3], "owner-salt", &value) || !DecodeExactly(value, kStrongSaltSize, &keyring->owner_salt) ||
      !Field(lines[4], "owner-check", &value) ||
      !DecodeExactly(value, kOwnerCheckSize, &keyring->owner_check))
    return TKeyringParse::Damaged;
  const std::size_t slot_count = lines.size() - 6;
  keyring->slots.resize(slot_count);
  std::set<std::string> ids, names;
  for (std::size_t i = 0; i < slot_count; ++i) {
    TKeyringSlot& slot = keyring->slots[i];
    if (!ParseSlot(lines[5 + i], &slot) || !ids.insert(slot.id).second || !names.insert(slot.name).second)
      return TKeyringParse::Damaged;
  }
  const std::size_t sealed_size = platform::kGcmNonceSize + platform::kAesKeySize +
                                  slot_count * (kKeySlotIdSize + platform::kAesKeySize) + platform::kGcmTagSize;
  if (!Field(lines.back(), "sealed", &value) || !DecodeExactly(value, sealed_size, &keyring->sealed))
    return TKeyringParse::Damaged;
  return TKeyringParse::Ok;
}

}  // namespace

TKeyringSlot::~TKeyringSlot() { platform::Wipe(&reader_key); }

TKeyring::~TKeyring() { platform::Wipe(&content_key); }

bool KeySlotNameIsValid(const std::string& name) {
  if (name.empty() || !IsValidUtf8(name)) return false;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F) return false;
    // C1 controls, U+0080 to U+009F: C2 80 to C2 9F.
    if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F) return false;
    if ((c & 0xC0) != 0x80) ++characters;
  }
  return characters <= kKeyringMaxNameCharacters;
}

TKeyringParse ParseKeyring(std::string_view text, TKeyring* keyring) {
  const TKeyringParse parse = Parse(text, keyring);
  if (parse != TKeyringParse::Ok) {
    keyring->slots.clear();
    keyring->sealed.clear();
  }
  return parse;
}

std::string KeyringHeaderText(const TKeyring& keyring) {
  std::string text = std::string(kKeyringFormatName) + "\niterations " + std::to_string(keyring.iterations) +
                     "\nsite-salt " + Base64Encode(keyring.site_salt) + "\nowner-salt " +
                     Base64Encode(keyring.owner_salt) + "\nowner-check " + Base64Encode(keyring.owner_check) +
                     "\n";
  for (const TKeyringSlot& slot : keyring.slots) {
    text += "slot " + Base64Encode(slot.id) + " " + (slot.kind == TKeyringSlotKind::Reader ? kReaderKind : kLinkKind) +
            " " + slot.created + " " + Base64Encode(slot.reader_wrap) + " " + slot.name + "\n";
  }
  return text;
}

std::string KeyringText(const TKeyring& keyring) {
  return KeyringHeaderText(keyring) + "sealed " + Base64Encode(keyring.sealed) + "\n";
}

std::string ReaderWrapAad(const std::string& site_salt, const std::string& slot_id) {
  return std::string(kPageFormat3Name) + "\n" + Base64Encode(site_salt) + "\n" + Base64Encode(slot_id) +
         "\nreader key";
}

bool SealKeyring(TKeyring* keyring, const std::string& owner_key) {
  platform::AesGcmKey key;
  if (!key.SetKey(owner_key)) return false;
  unsigned char check[kOwnerCheckSize];
  if (!platform::SystemRandom(check, platform::kGcmNonceSize) ||
      !key.Seal(check, OwnerCheckAad(*keyring), nullptr, 0, check + platform::kGcmNonceSize))
    return false;
  keyring->owner_check.assign(reinterpret_cast<const char*>(check), sizeof check);

  std::string plain = keyring->content_key;
  platform::WipeOnExit wipe{&plain};
  for (const TKeyringSlot& slot : keyring->slots) plain += slot.id + slot.reader_key;
  std::string sealed(platform::kGcmNonceSize + plain.size() + platform::kGcmTagSize, '\0');
  auto* out = reinterpret_cast<unsigned char*>(sealed.data());
  if (!platform::SystemRandom(out, platform::kGcmNonceSize) ||
      !key.Seal(out, KeyringHeaderText(*keyring), reinterpret_cast<const unsigned char*>(plain.data()),
                plain.size(), out + platform::kGcmNonceSize))
    return false;
  keyring->sealed = std::move(sealed);
  return true;
}

TKeyringOpen OpenKeyringSealed(TKeyring* keyring, const std::string& owner_key) {
  platform::AesGcmKey key;
  if (!key.SetKey(owner_key)) return TKeyringOpen::CryptoFailed;
  if (keyring->owner_check.size() != kOwnerCheckSize) return TKeyringOpen::Damaged;
  const auto* check = reinterpret_cast<const unsigned char*>(keyring->owner_check.data());
  unsigned char nothing[1] = {};
  if (!key.Open(check, OwnerCheckAad(*keyring), check + platform::kGcmNonceSize, platform::kGcmTagSize, nothing))
    return TKeyringOpen::WrongPassword;
  const std::size_t slot_bytes = kKeySlotIdSize + platform::kAesKeySize;
  const std::size_t plain_size = platform::kAesKeySize + keyring->slots.size() * slot_bytes;
  if (keyring->sealed.size() != platform::kGcmNonceSize + plain_size + platform::kGcmTagSize)
    return TKeyringOpen::Damaged;
  std::string plain(plain_size, '\0');
  platform::WipeOnExit wipe{&plain};
  const auto* sealed = reinterpret_cast<const unsigned char*>(keyring->sealed.data());
  if (!key.Open(sealed, KeyringHeaderText(*keyring), sealed + platform::kGcmNonceSize,
                plain_size + platform::kGcmTagSize, reinterpret_cast<unsigned char*>(plain.data())))
    return TKeyringOpen::Damaged;
  for (std::size_t i = 0; i < keyring->slots.size(); ++i) {
    if (plain.compare(platform::kAesKeySize + i * slot_bytes, kKeySlotIdSize, keyring->slots[i].id) != 0)
      return TKeyringOpen::Damaged;
  }
  keyring->content_key = plain.substr(0, platform::kAesKeySize);
  for (std::size_t i = 0; i < keyring->slots.size(); ++i)
    keyring->slots[i].reader_key = plain.substr(platform::kAesKeySize + i * slot_bytes + kKeySlotIdSize,
                                                platform::kAesKeySize);
  return TKeyringOpen::Ok;
}
