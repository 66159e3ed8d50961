// The strong block's fixed parts, shared by its writer and its reader: the
// header literals of both versions, the nonce of each chunk and the
// additional data that ties every chunk to the header. docs/formats.md
// describes the same for independent decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/crypto.h"

// The first literal, naming the format. Format 1 derives the page's key
// from the password and its salt alone; format 2 (every lock writes it)
// derives a site key once per run and each page's key from it.
inline constexpr char kStrongFormatName[] = "ZENDREL-AES-GCM-1";
inline constexpr char kStrongFormat2Name[] = "ZENDREL-AES-GCM-2";
// PBKDF2-HMAC-SHA256 rounds; the second literal, in decimal.
inline constexpr std::uint32_t kStrongIterations = 600000;
// The most rounds a reader accepts, so that a foreign page cannot keep it
// deriving for minutes: about 16 times the rounds written today, some
// seconds in a browser's WebCrypto.
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::uint32_t kStrongMaxIterations = 10000000;
#else
// Fuzzing builds only (the fuzz preset; never a program anyone runs): a
// page that claims more rounds than this is refused as damaged, so that no
// input spends its time inside the system's PBKDF2. The fuzz seeds are
// locked with 2 rounds; pages locked by a real lock do not open there.
inline constexpr std::uint32_t kStrongMaxIterations = 16;
#endif
inline constexpr std::size_t kStrongSaltSize = 16;
inline constexpr std::size_t kStrongNoncePrefixSize = 7;
// Plaintext bytes per sealed chunk; only the last chunk may be shorter.
inline constexpr std::size_t kStrongChunkSize = 65536;
// Base64 characters per line of the sealed stream (75 bytes' worth).
inline constexpr std::size_t kStrongLineLength = 100;
// The last header literal: how the browser shows the page.
inline constexpr char kStrongHtmlKind[] = "html";
inline constexpr char kStrongTextKind[] = "text";
// Format 1: name, iterations, salt, nonce prefix, kind.
inline constexpr std::size_t kStrongHeaderLiterals = 5;
// Format 2: name, iterations, site salt, page salt, nonce prefix, kind.
inline constexpr std::size_t kStrong2HeaderLiterals = 6;
// Format 2's HKDF info: these 16 ASCII bytes, no terminator.
inline constexpr char kStrongPageKeyInfo[] = "zendrel page key";

// Format 3, a keyring site's: the page key comes from the site's content
// key K, which each slot carries wrapped twice (K under the slot's reader
// key R, R under the reader's password key).
inline constexpr char kStrongFormat3Name[] = "ZENDREL-AES-GCM-3";
// Format 3's header: name, iterations, site salt, page salt, nonce prefix,
// kind, slot count; the slots follow it, then the sealed data.
inline constexpr std::size_t kStrong3HeaderLiterals = 7;
// A reader accepts 1 to this many slots.
inline constexpr std::size_t kStrongMaxSlots = 4096;
inline constexpr std::size_t kStrongSlotIdSize = 16;
// A wrap: its 12-byte nonce, a 32-byte key sealed, the 16-byte tag.
inline constexpr std::size_t kStrongWrapSize = 60;
// A slot: id, reader wrap, content wrap; 184 base64 characters.
inline constexpr std::size_t kStrongSlotSize = 136;
// The last line of each wrap's additional data.
inline constexpr char kStrongReaderWrapLabel[] = "reader key";
inline constexpr char kStrongContentWrapLabel[] = "content key";

// A format 3 wrap's additional data: the format's name, the site salt and
// the slot id (both in base64, as the page writes them) and the label,
// joined by LF.
std::string StrongWrapAad(const std::string& site_salt_base64, const std::string& slot_id_base64,
                          const char* label);

// The additional data of every chunk: the header literals' contents joined
// by single LF characters.
std::string StrongAad(const std::vector<std::string>& header);

// The 12-byte nonce of chunk `index`: the 7-byte prefix, the index as 4
// bytes big-endian, and 1 for the last chunk or 0 for any other.
void StrongNonce(const std::string& prefix, std::uint32_t index, bool last,
                 unsigned char (&nonce)[platform::kGcmNonceSize]);
