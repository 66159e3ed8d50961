// The keyring file: its text layout, shared by the keyring's writer, its
// reader and the fuzz harness. docs/formats.md ("The keyring file") describes
// the same for anyone who checks a keyring with other tools.
//
//   ZENDREL-KEYRING-1
//   iterations 600000
//   site-salt <16 bytes, base64>
//   owner-salt <16 bytes, base64>
//   owner-check <nonce 12 + tag 16, base64>
//   slot <id 16, base64> reader|link <created, YYYY-MM-DDTHH:MM:SSZ> <reader wrap 60, base64> <name>
//   ...                                     (1 to 4096 slot lines)
//   sealed <nonce 12 + ciphertext + tag 16, base64>
//
// Every line ends in LF (a CR before it is allowed, so that a checkout that
// turns line breaks into CR LF still reads); fields are separated by one
// space; the name is the rest of its line. The owner key is
// PBKDF2-HMAC-SHA256(owner password, owner salt, iterations, 32 bytes). The
// owner check seals nothing under it, so that a wrong password is told from
// an altered keyring; the sealed line holds K, then each slot's id and R in
// slot order, sealed under the owner key with every line before it (each
// followed by one LF) as additional data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/keyring.h"

inline constexpr char kKeyringFormatName[] = "ZENDREL-KEYRING-1";
inline constexpr std::size_t kKeyringMaxSlots = 4096;
// Far above the largest keyring (4096 slots with 64-character names, about
// 2.5 MB), so that a reader never takes in more than this.
inline constexpr std::size_t kKeyringMaxBytes = 4u << 20;
inline constexpr std::size_t kKeyringMaxNameCharacters = 64;
inline constexpr std::size_t kKeySlotIdSize = 16;
inline constexpr std::size_t kKeyWrapSize = 60;  // nonce 12, ciphertext 32, tag 16
inline constexpr std::size_t kOwnerCheckSize = 28;

struct TKeyringSlot {
  std::string id;  // 16 bytes
  TKeyringSlotKind kind = TKeyringSlotKind::Reader;
  std::string created;      // YYYY-MM-DDTHH:MM:SSZ, UTC
  std::string reader_wrap;  // 60 bytes
  std::string name;
  std::string reader_key;  // R, 32 bytes once the sealed part is open; wiped when the slot goes

  TKeyringSlot() = default;
  TKeyringSlot(const TKeyringSlot&) = default;
  TKeyringSlot(TKeyringSlot&&) = default;
  TKeyringSlot& operator=(const TKeyringSlot&) = default;
  TKeyringSlot& operator=(TKeyringSlot&&) = default;
  ~TKeyringSlot();
};

struct TKeyring {
  std::uint32_t iterations = 0;
  std::string site_salt;    // 16 bytes
  std::string owner_salt;   // 16 bytes
  std::string owner_check;  // 28 bytes
  std::vector<TKeyringSlot> slots;
  std::string sealed;       // as read or last sealed
  std::string content_key;  // K, 32 bytes once open; wiped when the keyring goes

  TKeyring() = default;
  TKeyring(const TKeyring&) = delete;
  TKeyring& operator=(const TKeyring&) = delete;
  ~TKeyring();
};

enum class TKeyringParse {
  Ok,
  // The first line names no keyring of this format (another file, or a
  // later format).
  Foreign,
  // A keyring's first line, but the rest is not as written: cut short,
  // edited, or added to.
  Damaged,
};

// Reads the layout strictly: every line, field, length and count as above,
// names valid (KeySlotNameIsValid) and unique, ids unique, nothing after the
// sealed line. Opens nothing: the slots' keys and K stay empty. On anything
// but Ok, `keyring` holds nothing usable.
TKeyringParse ParseKeyring(std::string_view text, TKeyring* keyring);

// 1 to 64 characters of valid UTF-8 with no control character (C0, DEL,
// C1).
bool KeySlotNameIsValid(const std::string& name);

// The lines before the sealed line, each with one LF: the sealed part's
// additional data, and the start of the written file.
std::string KeyringHeaderText(const TKeyring& keyring);

// The whole file as written: the header text and the sealed line.
std::string KeyringText(const TKeyring& keyring);

// The additional data of a slot's reader wrap, the same as every format 3
// page binds it with: "ZENDREL-AES-GCM-3", the site salt and the slot id in
// base64, and "reader key", joined by LF.
std::string ReaderWrapAad(const std::string& site_salt, const std::string& slot_id);

// Makes a new owner check and seals K and the slots' keys under the owner
// key, each with a new random nonce. False when the system's cryptography
// fails.
bool SealKeyring(TKeyring* keyring, const std::string& owner_key);

enum class TKeyringOpen { Ok, WrongPassword, Damaged, CryptoFailed };

// Checks the owner key against the owner check, then opens the sealed part
// and hands out K and each slot's R. Damaged when the check opens but the
// sealed part does not (an edited keyring) or holds other slot ids. On
// anything but Ok no key is set.
TKeyringOpen OpenKeyringSealed(TKeyring* keyring, const std::string& owner_key);
