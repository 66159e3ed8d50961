// The block's literal lines and the base64 inside them.
// - Base64: text that decodes, in pieces cut anywhere, is canonical: it
//   encodes back to itself; the pieces decode as the whole text does; any
//   bytes encode and decode back.
// - The block reader: every literal it hands out is as long as the page has
//   it and holds no line break, and the reader stops at the block's end.
//   A literal that claims 100 MB is refused without taking the memory
//   (checked once at start, under -malloc_limit_mb).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/format/base64.h"
#include "engine/format/block_reader.h"
#include "engine/template/payload_area.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void CheckBase64(const std::string& text, std::size_t cut) {
  std::string whole;
  const bool decoded = Base64Decode(text, &whole);
  if (decoded) fuzz::Check(Base64Encode(whole) == text, "accepted base64 that is not canonical");
  TBase64Decoder pieces;
  std::string out;
  const bool put = pieces.Put(text.substr(0, cut), &out) && pieces.Put(text.substr(cut), &out);
  fuzz::Check((put && pieces.Finish()) == decoded, "the pieces and the whole text decode differently");
  if (decoded) fuzz::Check(out == whole, "the pieces decode to other bytes");
  std::string back;
  fuzz::Check(Base64Decode(Base64Encode(text), &back) && back == text, "bytes did not come back from base64");
}

void CheckBlock(const std::string& page) {
  const std::string path = fuzz::ScratchPath("block.html");
  fuzz::WriteFile(path, page);
  TBlockReader reader;
  if (reader.Open(path) != TBlockReader::TStatus::Ok) return;
  std::string literal;
  bool last = false;
  std::size_t total = 0;
  while (!last) {
    const TBlockReader::TStatus status = reader.Next(&literal, &last);
    if (status != TBlockReader::TStatus::Ok) {
      fuzz::Check(!reader.Problem().empty(), "a malformed block without a problem");
      return;
    }
    fuzz::Check(literal.find_first_of("\r\n'") == std::string::npos, "a literal holds a line break or quote");
    fuzz::Check(literal.size() <= TBlockReader::kMaxLiteral, "a literal longer than the limit");
    total += literal.size() + 4;
    fuzz::Check(total <= page.size(), "the literals hold more than the page");
  }
  fuzz::Check(reader.Next(&literal, &last) == TBlockReader::TStatus::Malformed, "a read past the block's end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.find(kPageBeginMarker) != std::string::npos) {
    CheckBlock(bytes);
  } else {
    CheckBase64(bytes, size == 0 ? 0 : data[0] % (size + 1));
  }
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // 100 MB in one literal: the first 2 MB written, the rest a hole.
  const std::string path = fuzz::ScratchPath("huge.html");
  fuzz::WriteFile(path, std::string(kPageBeginMarker) + "\n'" + std::string(2 << 20, 'A'));
  std::filesystem::resize_file(path, 100 << 20);
  TBlockReader reader;
  std::string literal;
  bool last = false;
  fuzz::Check(reader.Open(path) == TBlockReader::TStatus::Ok &&
                  reader.Next(&literal, &last) == TBlockReader::TStatus::Malformed &&
                  reader.Problem().find("too long") != std::string::npos,
              "a 100 MB literal was not refused as too long");
  return 0;
}
