// The strong block's fixed parts, shared by its writer and its reader: the
// header literals, the nonce of each chunk and the additional data that ties
// every chunk to the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/crypto.h"

// The first literal, naming the format.
inline constexpr char kStrongFormatName[] = "ZENDREL-AES-GCM-1";
// PBKDF2-HMAC-SHA256 rounds; the second literal, in decimal.
inline constexpr std::uint32_t kStrongIterations = 600000;
inline constexpr std::size_t kStrongSaltSize = 16;
inline constexpr std::size_t kStrongNoncePrefixSize = 7;
// Plaintext bytes per sealed chunk; only the last chunk may be shorter.
inline constexpr std::size_t kStrongChunkSize = 65536;
// Base64 characters per line of the sealed stream (75 bytes' worth).
inline constexpr std::size_t kStrongLineLength = 100;
// The fifth literal: how the browser shows the page.
inline constexpr char kStrongHtmlKind[] = "html";
inline constexpr char kStrongTextKind[] = "text";
inline constexpr std::size_t kStrongHeaderLiterals = 5;

// The additional data of every chunk: the five header literals' contents
// joined by single LF characters.
std::string StrongAad(const std::string (&header)[kStrongHeaderLiterals]);

// The 12-byte nonce of chunk `index`: the 7-byte prefix, the index as 4
// bytes big-endian, and 1 for the last chunk or 0 for any other.
void StrongNonce(const std::string& prefix, std::uint32_t index, bool last,
                 unsigned char (&nonce)[platform::kGcmNonceSize]);
