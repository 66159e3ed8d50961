// The headers and import table of a Windows image (PE32 or PE32+) laid out
// as the loader maps it: every offset below is an RVA into `image`. Plain
// bytes, no system headers, so that the running program walks its own image
// with it and any machine can walk a 32- or 64-bit program mapped as data.
// The image must be well formed: RVAs are not checked against its size.
#pragma once

#include <cstdint>
#include <cstring>

namespace pe_image {

// The two optional-header layouts: the magic, the word of the thunk tables
// and where the data directories start within the optional header.
struct TPe32 {
  using Word = std::uint32_t;
  static constexpr std::uint16_t kMagic = 0x10B;
  static constexpr std::uint32_t kDataDirectories = 96;
};
struct TPe32Plus {
  using Word = std::uint64_t;
  static constexpr std::uint16_t kMagic = 0x20B;
  static constexpr std::uint32_t kDataDirectories = 112;
};

template <class Value>
Value Read(const std::uint8_t* image, std::uint32_t rva) {
  Value value;
  std::memcpy(&value, image + rva, sizeof value);
  return value;
}

enum class THeaderCheck { kValid, kNotMz, kNotPe };

struct THeaders {
  THeaderCheck check = THeaderCheck::kNotMz;
  std::uint32_t nt_offset = 0;  // the "PE\0\0" signature
  std::uint16_t magic = 0;      // of the optional header
  std::uint16_t section_count = 0;
  std::uint32_t section_table = 0;  // 40 bytes a section
  std::uint32_t size_of_code = 0, base_of_code = 0, size_of_image = 0, size_of_headers = 0;
  std::uint32_t import_rva = 0;  // 0: no import directory
};

// The MZ and PE signatures, and the fields above read as `Kind` lays them
// out (whatever `magic` says: the caller picks the layout).
template <class Kind>
THeaders ReadHeaders(const std::uint8_t* image) {
  THeaders headers;
  if (Read<std::uint16_t>(image, 0) != 0x5A4D) return headers;  // "MZ"
  headers.check = THeaderCheck::kNotPe;
  headers.nt_offset = Read<std::uint32_t>(image, 0x3C);
  if (Read<std::uint32_t>(image, headers.nt_offset) != 0x00004550) return headers;  // "PE\0\0"
  headers.check = THeaderCheck::kValid;
  const std::uint32_t file = headers.nt_offset + 4, optional = file + 20;
  headers.section_count = Read<std::uint16_t>(image, file + 2);
  headers.section_table = optional + Read<std::uint16_t>(image, file + 16);
  headers.magic = Read<std::uint16_t>(image, optional);
  headers.size_of_code = Read<std::uint32_t>(image, optional + 4);
  headers.base_of_code = Read<std::uint32_t>(image, optional + 20);
  headers.size_of_image = Read<std::uint32_t>(image, optional + 56);
  headers.size_of_headers = Read<std::uint32_t>(image, optional + 60);
  headers.import_rva = Read<std::uint32_t>(image, optional + Kind::kDataDirectories + 8);  // entry 1
  return headers;
}

// One entry of an import address table.
struct TImportSlot {
  const char* module;
  const char* function;  // null when imported by ordinal or the name table is missing
  std::uint32_t slot_rva;
};

// Offers every import address table entry to `visit` (void(const
// TImportSlot&)), descriptor by descriptor until one without a name, each
// table up to its first zero entry. The entry is read again after `visit`
// returns, so that `visit` may rewrite it. Names come from the descriptor's
// name table, when it has one.
template <class Kind, class Visit>
void ForEachImportSlot(const std::uint8_t* image, std::uint32_t import_rva, Visit visit) {
  using Word = typename Kind::Word;
  constexpr Word kByOrdinal = Word{1} << (8 * sizeof(Word) - 1);
  for (std::uint32_t descriptor = import_rva; Read<std::uint32_t>(image, descriptor + 12) != 0;
       descriptor += 20) {
    const auto* module = reinterpret_cast<const char*>(image + Read<std::uint32_t>(image, descriptor + 12));
    const std::uint32_t names = Read<std::uint32_t>(image, descriptor);
    const std::uint32_t slots = Read<std::uint32_t>(image, descriptor + 16);
    for (std::uint32_t i = 0; Read<Word>(image, slots + i * sizeof(Word)) != 0; ++i) {
      const char* function = nullptr;
      if (names != 0) {
        const Word name = Read<Word>(image, names + i * sizeof(Word));
        if ((name & kByOrdinal) == 0)
          function = reinterpret_cast<const char*>(image + name + 2);  // after the hint
      }
      visit(TImportSlot{module, function, static_cast<std::uint32_t>(slots + i * sizeof(Word))});
    }
  }
}

}  // namespace pe_image
