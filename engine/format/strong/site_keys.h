// The keys a format 3 lock needs, opened from a keyring with the owner
// password (engine/keyring.h, OpenKeyring): the site salt and iteration
// count every page names, the content key K, and per reader or share link
// its slot id, the wrap of its reader key R under its password key (as the
// keyring stores it) and R itself. The keys are wiped when they go.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/crypto.h"

struct TKeySlot {
  std::array<unsigned char, 16> id{};
  std::array<unsigned char, 60> reader_wrap{};  // R under the slot's password key, as stored in the keyring
  std::string reader_key;                        // R, 32 bytes, wiped on destruction

  TKeySlot() = default;
  TKeySlot(const TKeySlot&) = default;
  TKeySlot(TKeySlot&&) = default;
  TKeySlot& operator=(const TKeySlot&) = default;
  TKeySlot& operator=(TKeySlot&&) = default;
  ~TKeySlot() { platform::Wipe(&reader_key); }
};

struct TSiteKeys {
  std::string site_salt;  // 16 bytes
  unsigned iterations = 600000;
  std::string content_key;  // K, 32 bytes, wiped on destruction
  std::vector<TKeySlot> slots;

  TSiteKeys() = default;
  TSiteKeys(const TSiteKeys&) = default;
  TSiteKeys(TSiteKeys&&) = default;
  TSiteKeys& operator=(const TSiteKeys&) = default;
  TSiteKeys& operator=(TSiteKeys&&) = default;
  ~TSiteKeys() { platform::Wipe(&content_key); }
};
