// zendrel-pe-imports: lists a Windows program's imports, one
// "module!function" a line ("module!#" for one imported by ordinal), by
// mapping its file as the loader would and walking the import table with the
// running program's own walk (errors/pe_image.h). Reads 32- and 64-bit
// programs on any machine.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <ios>
#include <iterator>
#include <string>
#include <vector>

#include "errors/pe_image.h"

namespace {

int Fail(const char* reason) {
  std::fprintf(stderr, "zendrel-pe-imports: %s\n", reason);
  return 1;
}

// Headers at RVA 0, each section's file bytes at its RVA, the rest zero.
bool MapImage(const std::vector<std::uint8_t>& file, const pe_image::THeaders& headers,
              std::vector<std::uint8_t>* image) {
  image->assign(headers.size_of_image, 0);
  if (headers.size_of_headers > file.size() || headers.size_of_headers > image->size()) return false;
  std::copy(file.begin(), file.begin() + headers.size_of_headers, image->begin());
  for (std::uint32_t i = 0; i < headers.section_count; ++i) {
    const std::uint32_t section = headers.section_table + 40 * i;
    if (section + 40 > headers.size_of_headers) return false;
    const auto virtual_size = pe_image::Read<std::uint32_t>(file.data(), section + 8);
    const auto rva = pe_image::Read<std::uint32_t>(file.data(), section + 12);
    auto size = pe_image::Read<std::uint32_t>(file.data(), section + 16);
    const auto offset = pe_image::Read<std::uint32_t>(file.data(), section + 20);
    if (virtual_size != 0 && virtual_size < size) size = virtual_size;
    if (std::uint64_t{offset} + size > file.size() || std::uint64_t{rva} + size > image->size()) return false;
    std::copy(file.begin() + offset, file.begin() + offset + size, image->begin() + rva);
  }
  return true;
}

template <class Kind>
int ListImports(const std::vector<std::uint8_t>& file) {
  const pe_image::THeaders headers = pe_image::ReadHeaders<Kind>(file.data());
  std::vector<std::uint8_t> image;
  if (!MapImage(file, headers, &image)) return Fail("a section lies outside the file or the image");
  if (headers.import_rva == 0) return 0;
  pe_image::ForEachImportSlot<Kind>(image.data(), headers.import_rva, [](const pe_image::TImportSlot& slot) {
    std::printf("%s!%s\n", slot.module, slot.function != nullptr ? slot.function : "#");
  });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return Fail("usage: zendrel-pe-imports <program.exe>");
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in || file.size() < 0x200) return Fail("cannot read the program, or it is too short");
  const pe_image::THeaders headers = pe_image::ReadHeaders<pe_image::TPe32>(file.data());
  if (headers.check != pe_image::THeaderCheck::kValid || headers.section_table > 0x1000)
    return Fail("not a Windows program");
  if (headers.magic == pe_image::TPe32::kMagic) return ListImports<pe_image::TPe32>(file);
  if (headers.magic == pe_image::TPe32Plus::kMagic) return ListImports<pe_image::TPe32Plus>(file);
  return Fail("unknown optional header");
}
