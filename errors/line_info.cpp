#include "errors/line_info.h"

#include "errors/system.h"
#include "errors/line_info_format.h"
#include "platform/path_parts.h"
#include "platform/platform.h"

namespace {

// LineInfoBuffer: the body of the side file from the first successful load
// until the process ends. Only this file writes it.
std::vector<std::uint8_t>& LineInfoBuffer() {
  static std::vector<std::uint8_t> buffer;
  return buffer;
}

}  // namespace

std::string LineInfoFile() { return LineInfoPathFor(platform::ExecutablePath()); }

std::string LineInfoPathFor(const std::string& path) {
  return platform::ReplaceExtension(path, ".RLI");
}

bool ReadLineInfoBody(const std::string& path, std::vector<std::uint8_t>* body) {
  body->clear();
  const platform::FileHandle file = platform::OpenForReadWrite(path);
  if (file == platform::kInvalidHandle) return false;
  std::uint32_t size = 0;
  bool ok = platform::FileSize(file, &size) && size >= line_info_format::kHeaderSize &&
            platform::SeekFromStart(file, line_info_format::kHeaderSize);
  if (ok) {
    const std::uint32_t wanted = size - line_info_format::kHeaderSize;
    body->resize(wanted);
    std::uint32_t done = 0;
    // A read may deliver less than asked; go on until the body is in or the
    // file ends early.
    while (ok && done < wanted) {
      std::uint32_t got = 0;
      ok = platform::ReadFileBytes(file, body->data() + done, wanted - done, &got) && got > 0;
      done += got;
    }
  }
  platform::CloseFile(file);
  if (!ok) body->clear();
  return ok;
}

bool LoadLineInfo() {
  std::vector<std::uint8_t> body;
  if (!ReadLineInfoBody(LineInfoFile(), &body)) return false;
  LineInfoBuffer().swap(body);
  return true;
}

bool LineInfoAvailable() {
  if (!LineInfoBuffer().empty()) return true;
  return LoadLineInfo();
}

bool LookupAddress(std::uintptr_t address, AddressInfo* info) {
  *info = AddressInfo();
  if (!LineInfoAvailable() || LineInfoBuffer().empty()) return false;
  const std::vector<std::uint8_t>& buffer = LineInfoBuffer();
  LookupInTables(buffer.data(), buffer.size(), CodeBase(), address, info);
  return true;
}
