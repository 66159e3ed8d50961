// A site's keyring: the file a publisher keeps beside the site's source
// (never in the published folder) that names its readers and share links
// and holds, sealed under the owner password, the content key K and each
// slot's reader key R. Nothing in it is secret in clear.
//
// Every function takes the keyring's path and the owner password and
// returns an outcome; none shows anything. A failed one names its cause by
// its message: kKeyringBusy, kKeyringCannotRead, kKeyringForeign,
// kKeyringDamaged (cut short, edited, added to), kKeyringWrongPassword,
// kKeyringSealedAltered (the owner check opens, the sealed part does not),
// kPasswordNotUtf8 or kPasswordNotConvertible, kKeyringExists,
// kKeyringUnknownName, kKeyringNameTaken, kKeyringBadName, kKeyringLastSlot,
// kKeyringFull, kKeyringNotAReader, kKeyringCannotWrite, kCannotMakeKey. A function that changes the
// keyring holds it for its whole read, change and write (a lock on the
// keyring's folder, which a second change waits for up to 20 seconds and
// then refuses), and writes the new keyring to a temporary file
// beside it (the name + "~temp~"), flushed, and renamed over it in one
// step: on any failure the keyring is exactly as it was. A keyring that is
// cut short, edited or foreign, or whose sealed part does not open, is
// refused as a whole and never used in part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/outcome.h"
#include "engine/password.h"

struct TSiteKeys;

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

// A new keyring at `path` (refused when anything exists there):
// a new site salt, a new K, the owner password and a first reader `name`
// with the password `reader`.
TOutcome CreateKeyring(const std::string& path, const TPassword& owner, const std::string& name,
                             const TPassword& reader, std::uint32_t iterations = kKeyringIterations);

// A new reader `name` with the password `reader`.
TOutcome AddKeyringReader(const std::string& path, const TPassword& owner, const std::string& name,
                                const TPassword& reader);

// A new share link `name`: `*secret` receives its 32 random bytes, the only
// copy there is (the keyring keeps only R wrapped under it); empty unless
// done.
TOutcome AddKeyringLink(const std::string& path, const TPassword& owner, const std::string& name,
                              std::string* secret);

// Removes the reader or link `name`; with `rotate` K is new as well, so
// every key a browser holds stops opening pages locked afterwards.
TOutcome RemoveKeyringSlot(const std::string& path, const TPassword& owner, const std::string& name,
                                 bool rotate);

// The readers and links in the keyring's order, checked with the owner
// password first.
TOutcome ListKeyring(const std::string& path, const TPassword& owner,
                           std::vector<TKeyringEntry>* entries);

// The owner password becomes `new_owner` (with a new owner salt).
TOutcome ChangeKeyringOwnerPassword(const std::string& path, const TPassword& owner,
                                          const TPassword& new_owner);

// The reader `name` gets the password `reader` and a new R: the former
// password opens nothing locked afterwards.
TOutcome ChangeKeyringReaderPassword(const std::string& path, const TPassword& owner,
                                           const std::string& name, const TPassword& reader);

// What a format 3 lock needs: the site salt, rounds, K and every slot
// (engine/format/strong/site_keys.h), read and checked without changing
// the keyring. `*keys` is filled only when it is done.
TOutcome OpenKeyring(const std::string& path, const TPassword& owner, TSiteKeys* keys);
