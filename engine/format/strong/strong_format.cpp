#include "engine/format/strong/strong_format.h"

#include <cstring>

std::string StrongAad(const std::vector<std::string>& header) {
  std::string aad;
  for (std::size_t i = 0; i < header.size(); ++i) aad += (i == 0 ? "" : "\n") + header[i];
  return aad;
}

void StrongNonce(const std::string& prefix, std::uint32_t index, bool last,
                 unsigned char (&nonce)[platform::kGcmNonceSize]) {
  std::memcpy(nonce, prefix.data(), kStrongNoncePrefixSize);
  nonce[7] = static_cast<unsigned char>(index >> 24);
  nonce[8] = static_cast<unsigned char>(index >> 16);
  nonce[9] = static_cast<unsigned char>(index >> 8);
  nonce[10] = static_cast<unsigned char>(index);
  nonce[11] = last ? 1 : 0;
}

std::string StrongWrapAad(const std::string& site_salt_base64, const std::string& slot_id_base64,
                          const char* label) {
  return std::string(kStrongFormat3Name) + "\n" + site_salt_base64 + "\n" + slot_id_base64 + "\n" + label;
}
