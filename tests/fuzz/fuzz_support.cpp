#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "engine/format/base64.h"
#include "engine/format/page_codec.h"
#include "engine/format/strong/sealed_lines.h"
#include "engine/format/strong/strong_block.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/strong/strong_stream.h"
#include "fileio/byte_source.h"
#include "fileio/fast_io.h"

namespace fuzz {

static_assert(kFuzzIterations <= kStrongMaxIterations, "the seeds must open in the fuzzing build");

namespace {

namespace fs = std::filesystem;

struct TScratch {
  TScratch() {
    const fs::path root = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    folder = root / ("zendrel-fuzz-" + std::to_string(getpid()));
    fs::create_directories(folder);
  }
  ~TScratch() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  fs::path folder;
};

TScratch& Scratch() {
  static TScratch scratch;
  return scratch;
}

}  // namespace

void Fail(const std::string& what) {
  std::fprintf(stderr, "\n==fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string ScratchPath(const std::string& name) { return (Scratch().folder / name).string(); }

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check(static_cast<bool>(out), "cannot write the scratch file");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteLowCostStrongBlock(const std::string& page, const std::string& password, bool format2,
                             bool text_page, const std::string& line_break, TBlockSink& sink) {
  const std::string site_salt(kStrongSaltSize, 's'), page_salt(kStrongSaltSize, 'p');
  const std::string prefix(kStrongNoncePrefixSize, 'n');
  std::vector<std::string> header = {format2 ? kStrongFormat2Name : kStrongFormatName,
                                     std::to_string(kFuzzIterations), Base64Encode(site_salt)};
  if (format2) header.push_back(Base64Encode(page_salt));
  header.push_back(Base64Encode(prefix));
  header.push_back(text_page ? kStrongTextKind : kStrongHtmlKind);
  std::string key, page_key;
  Check(DeriveSiteKey(password, site_salt, kFuzzIterations, &key), "the key derivation failed");
  if (format2) {
    Check(DerivePageKey(key, page_salt, &page_key), "the page key derivation failed");
    key = page_key;
  }
  TStrongStream stream;
  Check(stream.Start(key, prefix, StrongAad(header)), "the stream did not start");
  TSealedLines lines(sink, kStrongChunkSize + platform::kGcmTagSize, line_break);
  for (const auto& literal : header) lines.PutLiteral(literal);
  const std::string path = ScratchPath("strong-source");
  WriteFile(path, page);
  TByteSource source;
  Check(source.Open(path), "cannot open the page to seal");
  Check(SealPageChunks(source, stream, lines, {}).ok(), "sealing failed");
}

bool WriteXorBlock(const std::string& page, const std::string& password, bool text_page,
                   const std::string& line_break, TBlockSink& sink) {
  // The lock refuses such a page before it is encoded: a 0 byte in a line
  // would be left out.
  if (page.find('\0') != std::string::npos) return false;
  std::unique_ptr<TPageCodec> codec;
  Check(!MakePageCodec(TProtection::Xor, password, &codec), "no XOR codec");
  const std::string path = ScratchPath("xor-source");
  WriteFile(path, page);
  TByteSource source;
  Check(source.Open(path), "cannot open the page to encode");
  const TOutcome written = codec->WriteBlock(source, text_page, line_break, sink);
  Check(written.ok(), "the XOR encoding failed");
  return true;
}

bool SpliceBlock(const std::string& start_page, const std::string& block, std::string* locked,
                 TPayloadArea* area) {
  const std::string path = ScratchPath("start-page");
  WriteFile(path, start_page);
  TFastIO page;
  if (!page.Open(path) || !FindPayloadArea(page, area)) return false;
  *locked = start_page.substr(0, area->begin) + block + start_page.substr(area->end);
  return true;
}

}  // namespace fuzz
