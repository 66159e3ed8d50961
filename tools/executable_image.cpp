#include "tools/executable_image.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

// Little-endian field access with bounds checks; a field outside the file
// reads as a failure.
class Bytes {
 public:
  explicit Bytes(std::vector<unsigned char> data) : data_(std::move(data)) {}
  bool Get(std::uint64_t offset, unsigned width, std::uint64_t* value) const {
    if (offset > data_.size() || data_.size() - offset < width) return false;
    *value = 0;
    for (unsigned i = 0; i < width; ++i) *value |= std::uint64_t{data_[offset + i]} << (8 * i);
    return true;
  }
  std::size_t size() const { return data_.size(); }
  const unsigned char* data() const { return data_.data(); }

 private:
  std::vector<unsigned char> data_;
};

bool ReadPe(const Bytes& file, ExecutableImage* image, std::string* error) {
  std::uint64_t pe = 0, signature = 0, section_count = 0, optional_size = 0, magic = 0;
  if (!file.Get(0x3C, 4, &pe) || !file.Get(pe, 4, &signature) || signature != 0x4550 ||
      !file.Get(pe + 6, 2, &section_count) || !file.Get(pe + 20, 2, &optional_size) ||
      !file.Get(pe + 24, 2, &magic)) {
    *error = "not a PE image";
    return false;
  }
  const std::uint64_t optional = pe + 24;
  const bool pe32 = magic == 0x10B;
  if (!pe32 && magic != 0x20B) {
    *error = "unknown PE optional header";
    return false;
  }
  if (!file.Get(optional + (pe32 ? 28 : 24), pe32 ? 4 : 8, &image->module_base)) {
    *error = "PE optional header cut short";
    return false;
  }
  const std::uint64_t sections = optional + optional_size;
  for (std::uint64_t i = 0; i < section_count; ++i) {
    const std::uint64_t at = sections + 40 * i;
    std::uint64_t virtual_size = 0, virtual_address = 0, characteristics = 0;
    if (!file.Get(at + 8, 4, &virtual_size) || !file.Get(at + 12, 4, &virtual_address) ||
        !file.Get(at + 36, 4, &characteristics)) {
      *error = "PE section table cut short";
      return false;
    }
    constexpr std::uint64_t kCode = 0x20, kExecute = 0x20000000;
    if (characteristics & (kCode | kExecute)) {
      const std::uint64_t start = image->module_base + virtual_address;
      image->code.push_back({start, start + virtual_size});
    }
  }
  return true;
}

bool ReadElf(const Bytes& file, ExecutableImage* image, std::string* error) {
  std::uint64_t klass = 0, data = 0;
  if (!file.Get(4, 1, &klass) || !file.Get(5, 1, &data) || data != 1 || (klass != 1 && klass != 2)) {
    *error = "only little-endian ELF files are supported";
    return false;
  }
  const bool wide = klass == 2;
  std::uint64_t phoff = 0, phentsize = 0, phnum = 0;
  if (!file.Get(wide ? 32 : 28, wide ? 8 : 4, &phoff) || !file.Get(wide ? 54 : 42, 2, &phentsize) ||
      !file.Get(wide ? 56 : 44, 2, &phnum)) {
    *error = "ELF header cut short";
    return false;
  }
  std::uint64_t lowest = UINT64_MAX;
  for (std::uint64_t i = 0; i < phnum; ++i) {
    const std::uint64_t at = phoff + i * phentsize;
    std::uint64_t type = 0, flags = 0, vaddr = 0, memsz = 0;
    if (!file.Get(at, 4, &type) || !file.Get(at + (wide ? 4 : 24), 4, &flags) ||
        !file.Get(at + (wide ? 16 : 8), wide ? 8 : 4, &vaddr) ||
        !file.Get(at + (wide ? 40 : 20), wide ? 8 : 4, &memsz)) {
      *error = "ELF program headers cut short";
      return false;
    }
    constexpr std::uint64_t kLoad = 1, kExecute = 1;
    if (type != kLoad) continue;
    lowest = std::min(lowest, vaddr);
    if (flags & kExecute) image->code.push_back({vaddr, vaddr + memsz});
  }
  if (lowest == UINT64_MAX) {
    *error = "ELF file without loadable segments";
    return false;
  }
  // The running program computes its base the same way (errors/posix/code_base.cpp).
  image->module_base = lowest & ~std::uint64_t{4095};
  return true;
}

}  // namespace

bool ReadExecutableImage(const std::string& path, ExecutableImage* image, std::string* error) {
  *image = ExecutableImage();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  // Only the headers are needed; they lie within the first few kilobytes of
  // both formats, but section tables may follow a long stub, so read 64 KiB.
  std::vector<unsigned char> head(65536);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  const Bytes file(std::move(head));
  bool ok = false;
  if (file.size() >= 4 && file.data()[0] == 'M' && file.data()[1] == 'Z') {
    ok = ReadPe(file, image, error);
  } else if (file.size() >= 4 && file.data()[0] == 0x7F && file.data()[1] == 'E' && file.data()[2] == 'L' &&
             file.data()[3] == 'F') {
    ok = ReadElf(file, image, error);
  } else {
    *error = path + " is neither a PE nor an ELF executable";
  }
  std::sort(image->code.begin(), image->code.end(),
            [](const AddressRange& a, const AddressRange& b) { return a.start < b.start; });
  return ok;
}
