// The keyring's operations: each reads and checks the whole keyring, opens
// it with the owner password, changes it in memory, and writes it back
// through a temporary file renamed over it, holding the keyring's folder
// for all of that so that two changes never interleave.
#include "engine/keyring.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "engine/format/strong/keyring_format.h"
#include "engine/format/strong/site_keys.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "platform/crypto.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// How long a change waits for another one on the same folder: a change
// holds it for one or two key derivations, under a second at the rounds
// written today; minutes would mean a stuck process, not a queue.
constexpr auto kBusyWait = std::chrono::seconds(20);
constexpr auto kBusyPoll = std::chrono::milliseconds(50);

TKeyringResult Fail(TKeyringStatus status, const char* text, std::vector<std::string> arguments,
                    std::string reason = "") {
  return {status, {text, std::move(arguments)}, std::move(reason)};
}

// The folder of the keyring, locked while a change runs (a second change
// waits for it); the keyring itself cannot carry the lock, since a change
// puts a new file in its place.
class TKeyringHold {
 public:
  ~TKeyringHold() { platform::UnlockFolder(handle_); }

  TKeyringResult Take(const std::string& path) {
    std::string folder = platform::FolderPart(path);
    folder = folder.empty() ? "." : platform::WithoutFinalSeparator(folder);
    const auto until = std::chrono::steady_clock::now() + kBusyWait;
    for (;;) {
      switch (platform::LockFolder(folder, &handle_)) {
        case platform::FolderLock::Locked:
          return {};
        case platform::FolderLock::Failed:
          return Fail(TKeyringStatus::ReadFailed, messages::kKeyringCannotRead, {path}, platform::LastErrorText());
        case platform::FolderLock::Held:
          break;
      }
      if (std::chrono::steady_clock::now() >= until)
        return Fail(TKeyringStatus::Busy, messages::kKeyringBusy, {path});
      std::this_thread::sleep_for(kBusyPoll);
    }
  }

 private:
  platform::FileHandle handle_ = platform::kInvalidHandle;
};

// The UTF-8 bytes of a password, or the failure that says why there are
// none.
bool PasswordBytes(const TPassword& password, std::string* utf8, TKeyringResult* why) {
  switch (StrongPasswordBytes(password, utf8)) {
    case TStrongPassword::Ok:
      return true;
    case TStrongPassword::NotConvertible:
      *why = Fail(TKeyringStatus::PasswordNotUtf8, messages::kPasswordNotConvertible, {});
      return false;
    case TStrongPassword::NotUtf8:
      *why = Fail(TKeyringStatus::PasswordNotUtf8, messages::kPasswordNotUtf8, {});
      return false;
  }
  return false;
}

TKeyringResult CryptoFailed() { return Fail(TKeyringStatus::CryptoFailed, messages::kCannotMakeKey, {}); }

bool RandomBytes(std::size_t size, std::string* bytes) {
  bytes->assign(size, '\0');
  return platform::SystemRandom(bytes->data(), size);
}

// PBKDF2 of the password's UTF-8 bytes, 32 bytes.
TKeyringResult DeriveKey(const TPassword& password, const std::string& salt, std::uint32_t iterations,
                         std::string* key) {
  std::string utf8;
  platform::WipeOnExit wipe{&utf8};
  TKeyringResult why;
  if (!PasswordBytes(password, &utf8, &why)) return why;
  if (!DeriveSiteKey(utf8, salt, iterations, key)) return CryptoFailed();
  return {};
}

std::string Now() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

// Wraps the slot's R under the password key P, bound to the site and slot.
bool WrapReaderKey(const TKeyring& keyring, const std::string& password_key, TKeyringSlot* slot) {
  platform::AesGcmKey key;
  std::string wrap(kKeyWrapSize, '\0');
  auto* out = reinterpret_cast<unsigned char*>(wrap.data());
  if (!key.SetKey(password_key) || !platform::SystemRandom(out, platform::kGcmNonceSize) ||
      !key.Seal(out, ReaderWrapAad(keyring.site_salt, slot->id),
                reinterpret_cast<const unsigned char*>(slot->reader_key.data()), slot->reader_key.size(),
                out + platform::kGcmNonceSize))
    return false;
  slot->reader_wrap = std::move(wrap);
  return true;
}

// A new slot with a new id and R, wrapped under `password_key`.
TKeyringResult NewSlot(TKeyring* keyring, const std::string& name, TKeyringSlotKind kind,
                       const std::string& password_key) {
  if (!KeySlotNameIsValid(name)) return Fail(TKeyringStatus::BadName, messages::kKeyringBadName, {});
  for (const TKeyringSlot& slot : keyring->slots)
    if (slot.name == name) return Fail(TKeyringStatus::NameTaken, messages::kKeyringNameTaken, {"", name});
  if (keyring->slots.size() >= kKeyringMaxSlots) return Fail(TKeyringStatus::Full, messages::kKeyringFull, {""});
  TKeyringSlot slot;
  slot.kind = kind;
  slot.name = name;
  slot.created = Now();
  for (;;) {
    if (!RandomBytes(kKeySlotIdSize, &slot.id)) return CryptoFailed();
    bool unique = true;
    for (const TKeyringSlot& other : keyring->slots) unique = unique && other.id != slot.id;
    if (unique) break;
  }
  if (!RandomBytes(platform::kAesKeySize, &slot.reader_key) || !WrapReaderKey(*keyring, password_key, &slot))
    return CryptoFailed();
  keyring->slots.push_back(std::move(slot));
  return {};
}

TKeyringResult NewReader(TKeyring* keyring, const std::string& name, const TPassword& password) {
  if (!KeySlotNameIsValid(name)) return Fail(TKeyringStatus::BadName, messages::kKeyringBadName, {});
  std::string password_key;
  platform::WipeOnExit wipe{&password_key};
  const TKeyringResult derived = DeriveKey(password, keyring->site_salt, keyring->iterations, &password_key);
  if (!derived.Done()) return derived;
  return NewSlot(keyring, name, TKeyringSlotKind::Reader, password_key);
}

TKeyringSlot* FindSlot(TKeyring* keyring, const std::string& name) {
  for (TKeyringSlot& slot : keyring->slots)
    if (slot.name == name) return &slot;
  return nullptr;
}

// The messages name the keyring's path: the operations fill it in here.
TKeyringResult Named(TKeyringResult result, const std::string& path) {
  for (std::string& argument : result.message.arguments)
    if (argument.empty()) argument = path;
  return result;
}

// Reads, checks and opens the keyring at `path` into `keyring`, and leaves
// the owner key in `owner_key`.
TKeyringResult ReadAndOpen(const std::string& path, const TPassword& owner, TKeyring* keyring,
                           std::string* owner_key) {
  std::uint64_t size = 0;
  const platform::FileHandle file = platform::OpenRegularForReading(path, &size);
  if (file == platform::kInvalidHandle)
    return Fail(TKeyringStatus::ReadFailed, messages::kKeyringCannotRead, {path}, platform::LastErrorText());
  std::string text;
  bool read = size <= kKeyringMaxBytes;
  if (read) {
    text.resize(static_cast<std::size_t>(size));
    std::size_t at = 0;
    while (read && at < text.size()) {
      std::uint32_t got = 0;
      read = platform::ReadFileBytes(file, text.data() + at, static_cast<std::uint32_t>(text.size() - at), &got) &&
             got > 0;
      at += got;
    }
  }
  const std::string reason = read ? "" : platform::LastErrorText();
  platform::CloseFile(file);
  if (size > kKeyringMaxBytes) return Fail(TKeyringStatus::Damaged, messages::kKeyringDamaged, {path});
  if (!read) return Fail(TKeyringStatus::ReadFailed, messages::kKeyringCannotRead, {path}, reason);
  switch (ParseKeyring(text, keyring)) {
    case TKeyringParse::Ok:
      break;
    case TKeyringParse::Foreign:
      return Fail(TKeyringStatus::Foreign, messages::kKeyringForeign, {path});
    case TKeyringParse::Damaged:
      return Fail(TKeyringStatus::Damaged, messages::kKeyringDamaged, {path});
  }
  const TKeyringResult derived = DeriveKey(owner, keyring->owner_salt, keyring->iterations, owner_key);
  if (!derived.Done()) return derived;
  switch (OpenKeyringSealed(keyring, *owner_key)) {
    case TKeyringOpen::Ok:
      return {};
    case TKeyringOpen::WrongPassword:
      return Fail(TKeyringStatus::WrongPassword, messages::kKeyringWrongPassword, {path});
    case TKeyringOpen::Damaged:
      return Fail(TKeyringStatus::Damaged, messages::kKeyringSealedAltered, {path});
    case TKeyringOpen::CryptoFailed:
      break;
  }
  return CryptoFailed();
}

// Seals the keyring and puts it at `path` through the temporary file:
// replacing what is there, or only where nothing is (`create`).
TKeyringResult Write(const std::string& path, TKeyring* keyring, const std::string& owner_key, bool create) {
  if (!SealKeyring(keyring, owner_key)) return CryptoFailed();
  const std::string text = KeyringText(*keyring);
  const std::string temp = path + platform::kTemporarySuffix;
  // The folder is held, so a file under the temporary name is an
  // interrupted change's leftover.
  if (platform::PathExists(temp)) platform::RemoveFile(temp);
  const platform::FileHandle file = platform::CreateExclusive(temp);
  if (file == platform::kInvalidHandle)
    return Fail(TKeyringStatus::WriteFailed, messages::kKeyringCannotWrite, {path}, platform::LastErrorText());
  bool ok = platform::WriteFileBytes(file, text.data(), static_cast<std::uint32_t>(text.size())) &&
            platform::FlushFile(file);
  std::string reason = ok ? "" : platform::LastErrorText();
  ok = platform::CloseFile(file) && ok;
  if (ok && !create) ok = platform::CopyPermissions(path, temp);
  if (ok) ok = create ? platform::RenameFile(temp, path) : platform::ReplaceFileAtomically(temp, path);
  if (!ok) {
    if (reason.empty()) reason = platform::LastErrorText();
    platform::RemoveFile(temp);
    if (create && platform::PathExists(path)) return Fail(TKeyringStatus::Exists, messages::kKeyringExists, {path});
    return Fail(TKeyringStatus::WriteFailed, messages::kKeyringCannotWrite, {path}, reason);
  }
  std::string folder = platform::FolderPart(path);
  platform::FlushFolder(folder.empty() ? "." : platform::WithoutFinalSeparator(folder));
  return {};
}

// One change: hold, read, open, `change`, write.
TKeyringResult Change(const std::string& path, const TPassword& owner,
                      const std::function<TKeyringResult(TKeyring*, std::string* owner_key)>& change) {
  TKeyringHold hold;
  TKeyringResult result = hold.Take(path);
  if (!result.Done()) return result;
  TKeyring keyring;
  std::string owner_key;
  platform::WipeOnExit wipe{&owner_key};
  result = ReadAndOpen(path, owner, &keyring, &owner_key);
  if (result.Done()) result = Named(change(&keyring, &owner_key), path);
  if (result.Done()) result = Write(path, &keyring, owner_key, false);
  return result;
}

}  // namespace

bool KeyringNameIsValid(const std::string& name) { return KeySlotNameIsValid(name); }

TKeyringResult CreateKeyring(const std::string& path, const TPassword& owner, const std::string& name,
                             const TPassword& reader, std::uint32_t iterations) {
  if (!KeySlotNameIsValid(name)) return Fail(TKeyringStatus::BadName, messages::kKeyringBadName, {});
  TKeyringHold hold;
  TKeyringResult result = hold.Take(path);
  if (!result.Done()) return result;
  if (platform::PathExists(path) || platform::IsLink(path))
    return Fail(TKeyringStatus::Exists, messages::kKeyringExists, {path});
  TKeyring keyring;
  keyring.iterations = iterations;
  if (!RandomBytes(kStrongSaltSize, &keyring.site_salt) || !RandomBytes(kStrongSaltSize, &keyring.owner_salt) ||
      !RandomBytes(platform::kAesKeySize, &keyring.content_key))
    return CryptoFailed();
  std::string owner_key;
  platform::WipeOnExit wipe{&owner_key};
  result = DeriveKey(owner, keyring.owner_salt, iterations, &owner_key);
  if (result.Done()) result = Named(NewReader(&keyring, name, reader), path);
  if (result.Done()) result = Write(path, &keyring, owner_key, true);
  return result;
}

TKeyringResult AddKeyringReader(const std::string& path, const TPassword& owner, const std::string& name,
                                const TPassword& reader) {
  if (!KeySlotNameIsValid(name)) return Fail(TKeyringStatus::BadName, messages::kKeyringBadName, {});
  return Change(path, owner, [&](TKeyring* keyring, std::string*) { return NewReader(keyring, name, reader); });
}

TKeyringResult AddKeyringLink(const std::string& path, const TPassword& owner, const std::string& name,
                              std::string* secret) {
  secret->clear();
  if (!KeySlotNameIsValid(name)) return Fail(TKeyringStatus::BadName, messages::kKeyringBadName, {});
  std::string made;
  platform::WipeOnExit wipe{&made};
  TKeyringResult result = Change(path, owner, [&](TKeyring* keyring, std::string*) {
    if (!RandomBytes(platform::kAesKeySize, &made)) return CryptoFailed();
    return NewSlot(keyring, name, TKeyringSlotKind::Link, made);
  });
  if (result.Done()) secret->swap(made);
  return result;
}

TKeyringResult RemoveKeyringSlot(const std::string& path, const TPassword& owner, const std::string& name,
                                 bool rotate) {
  return Change(path, owner, [&](TKeyring* keyring, std::string*) {
    TKeyringSlot* slot = FindSlot(keyring, name);
    if (slot == nullptr) return Fail(TKeyringStatus::UnknownName, messages::kKeyringUnknownName, {"", name});
    if (keyring->slots.size() == 1) return Fail(TKeyringStatus::LastSlot, messages::kKeyringLastSlot, {name});
    keyring->slots.erase(keyring->slots.begin() + (slot - keyring->slots.data()));
    if (rotate && !RandomBytes(platform::kAesKeySize, &keyring->content_key)) return CryptoFailed();
    return TKeyringResult{};
  });
}

TKeyringResult ListKeyring(const std::string& path, const TPassword& owner, std::vector<TKeyringEntry>* entries) {
  entries->clear();
  TKeyring keyring;
  std::string owner_key;
  platform::WipeOnExit wipe{&owner_key};
  const TKeyringResult result = ReadAndOpen(path, owner, &keyring, &owner_key);
  if (!result.Done()) return result;
  for (const TKeyringSlot& slot : keyring.slots) entries->push_back({slot.name, slot.kind, slot.created});
  return result;
}

TKeyringResult ChangeKeyringOwnerPassword(const std::string& path, const TPassword& owner,
                                          const TPassword& new_owner) {
  return Change(path, owner, [&](TKeyring* keyring, std::string* owner_key) {
    if (!RandomBytes(kStrongSaltSize, &keyring->owner_salt)) return CryptoFailed();
    platform::Wipe(owner_key);
    return DeriveKey(new_owner, keyring->owner_salt, keyring->iterations, owner_key);
  });
}

TKeyringResult ChangeKeyringReaderPassword(const std::string& path, const TPassword& owner,
                                           const std::string& name, const TPassword& reader) {
  return Change(path, owner, [&](TKeyring* keyring, std::string*) {
    TKeyringSlot* slot = FindSlot(keyring, name);
    if (slot == nullptr) return Fail(TKeyringStatus::UnknownName, messages::kKeyringUnknownName, {"", name});
    if (slot->kind != TKeyringSlotKind::Reader)
      return Fail(TKeyringStatus::NotAReader, messages::kKeyringNotAReader, {name});
    std::string password_key;
    platform::WipeOnExit wipe{&password_key};
    const TKeyringResult derived = DeriveKey(reader, keyring->site_salt, keyring->iterations, &password_key);
    if (!derived.Done()) return derived;
    if (!RandomBytes(platform::kAesKeySize, &slot->reader_key) || !WrapReaderKey(*keyring, password_key, slot))
      return CryptoFailed();
    return TKeyringResult{};
  });
}

TKeyringResult OpenKeyring(const std::string& path, const TPassword& owner, TSiteKeys* keys) {
  TKeyring keyring;
  std::string owner_key;
  platform::WipeOnExit wipe{&owner_key};
  const TKeyringResult result = ReadAndOpen(path, owner, &keyring, &owner_key);
  if (!result.Done()) return result;
  TSiteKeys opened;
  opened.site_salt = keyring.site_salt;
  opened.iterations = keyring.iterations;
  opened.content_key = keyring.content_key;
  for (const TKeyringSlot& slot : keyring.slots) {
    TKeySlot& out = opened.slots.emplace_back();
    std::copy(slot.id.begin(), slot.id.end(), out.id.begin());
    std::copy(slot.reader_wrap.begin(), slot.reader_wrap.end(), out.reader_wrap.begin());
    out.reader_key = slot.reader_key;
  }
  *keys = std::move(opened);
  return result;
}
