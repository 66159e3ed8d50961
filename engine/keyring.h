// A site's keyring: the file a publisher keeps beside the site's source
// (never in the published folder) that names its readers and share links
// and holds, sealed under the owner password, the content key K and each
// slot's reader key R. Nothing in it is secret in clear.
//
// Every function takes the keyring's path and the owner password and
// returns a result; none shows anything. A function that changes the
// keyring holds it for its whole read, change and write (a lock on the
// keyring's folder, which a second change waits for up to 20 seconds and
// then refuses: Busy), and writes the new keyring to a temporary file
// beside it (the name + "~temp~"), flushed, and renamed over it in one
// step: on any failure the keyring is exactly as it was. A keyring that is
// cut short, edited or foreign, or whose sealed part does not open, is
// refused as a whole and never used in part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/lock_message.h"
#include "engine/password.h"

struct TSiteKeys;

enum class TKeyringStatus {
  Done,
  // Another keys command holds the keyring's folder.
  Busy,
  ReadFailed,
  // Not a keyring of this format.
  Foreign,
  // Cut short, edited or added to; or its sealed part does not open with an
  // owner password that its owner check accepts.
  Damaged,
  WrongPassword,
  // The owner or new password is not valid UTF-8 (or cannot be converted).
  PasswordNotUtf8,
  // init: something exists at the path already.
  Exists,
  UnknownName,
  NameTaken,
  BadName,
  // remove: the last slot; a keyring keeps at least one.
  LastSlot,
  // add, link: 4096 slots already.
  Full,
  // passwd NAME: the slot is a share link.
  NotAReader,
  WriteFailed,
  CryptoFailed,
};

struct TKeyringResult {
  TKeyringStatus status = TKeyringStatus::Done;
  // What went wrong, when not Done.
  TLockMessage message;
  // The system's own text for a failed system call; else empty.
  std::string reason;

  bool Done() const { return status == TKeyringStatus::Done; }
};

enum class TKeyringSlotKind { Reader, Link };

struct TKeyringEntry {
  std::string name;
  TKeyringSlotKind kind = TKeyringSlotKind::Reader;
  std::string created;  // YYYY-MM-DDTHH:MM:SSZ, UTC
};

// Whether `name` can name a reader or link: 1 to 64 characters of valid
// UTF-8 with no control character. Names are compared byte for byte.
bool KeyringNameIsValid(const std::string& name);

// The rounds a new keyring's keys are derived with.
inline constexpr std::uint32_t kKeyringIterations = 600000;

// A new keyring at `path` (refused when anything exists there: Exists):
// a new site salt, a new K, the owner password and a first reader `name`
// with the password `reader`.
TKeyringResult CreateKeyring(const std::string& path, const TPassword& owner, const std::string& name,
                             const TPassword& reader, std::uint32_t iterations = kKeyringIterations);

// A new reader `name` with the password `reader`.
TKeyringResult AddKeyringReader(const std::string& path, const TPassword& owner, const std::string& name,
                                const TPassword& reader);

// A new share link `name`: `*secret` receives its 32 random bytes, the only
// copy there is (the keyring keeps only R wrapped under it); empty unless
// Done.
TKeyringResult AddKeyringLink(const std::string& path, const TPassword& owner, const std::string& name,
                              std::string* secret);

// Removes the reader or link `name`; with `rotate` K is new as well, so
// every key a browser holds stops opening pages locked afterwards.
TKeyringResult RemoveKeyringSlot(const std::string& path, const TPassword& owner, const std::string& name,
                                 bool rotate);

// The readers and links in the keyring's order, checked with the owner
// password first.
TKeyringResult ListKeyring(const std::string& path, const TPassword& owner, std::vector<TKeyringEntry>* entries);

// The owner password becomes `new_owner` (with a new owner salt).
TKeyringResult ChangeKeyringOwnerPassword(const std::string& path, const TPassword& owner,
                                          const TPassword& new_owner);

// The reader `name` gets the password `reader` and a new R: the former
// password opens nothing locked afterwards.
TKeyringResult ChangeKeyringReaderPassword(const std::string& path, const TPassword& owner,
                                           const std::string& name, const TPassword& reader);

// What a format 3 lock needs: the site salt, rounds, K and every slot
// (engine/format/strong/site_keys.h), read and checked without changing
// the keyring. `*keys` is filled only when Done.
TKeyringResult OpenKeyring(const std::string& path, const TPassword& owner, TSiteKeys* keys);
