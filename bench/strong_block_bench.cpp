// The block writers alone on a 64 MiB page: the strong block (format 2, as
// the strong codec writes it for a lock, its key derivation included)
// against the XOR block, each read from the page's file and streamed into a
// block file, and the key derivation's own time (PBKDF2-HMAC-SHA256, 600,000
// rounds), which a strong lock pays once. A lock does more than this: its
// checks, the backup copy and the template's files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "engine/format/strong/strong_codec.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/xor/page_encoding.h"
#include "engine/format/xor/xor_format.h"
#include "fileio/block_sink.h"
#include "fileio/byte_source.h"
#include "platform/crypto.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kPageSize = 64u << 20;

// A text-like page without zero bytes, written once for every benchmark.
const std::string& PagePath() {
  static const std::string path = [] {
    const auto p = std::filesystem::temp_directory_path() / "zendrel-bench-strong-page.html";
    const std::string alphabet =
        "<html><body><p class=\"x\">The quick brown fox jumps over the lazy dog 0123456789.</p>\r\n";
    std::mt19937 random(42);
    std::string page(kPageSize, ' ');
    for (auto& c : page) c = alphabet[random() % alphabet.size()];
    std::ofstream(p, std::ios::binary).write(page.data(), static_cast<std::streamsize>(page.size()));
    return p.string();
  }();
  return path;
}

std::string BlockPath() { return PagePath() + ".block"; }

// Streams the block into a file, as the lock's temporary page.
class TFileSink : public TBlockSink {
 public:
  TFileSink() : file_(platform::CreateReplacing(BlockPath())) {}
  ~TFileSink() override { platform::CloseFile(file_); }
  bool Put(const char* data, std::size_t size) override {
    return platform::WriteFileBytes(file_, data, static_cast<std::uint32_t>(size));
  }
  using TBlockSink::Put;

 private:
  platform::FileHandle file_;
};

void BM_XorBlock64MiB(benchmark::State& state) {
  for (auto _ : state) {
    TByteSource source;
    TFileSink out;
    if (!source.Open(PagePath()) || !WritePageBlock(source, "pagekey", false, out))
      state.SkipWithError("WritePageBlock failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPageSize));
}
BENCHMARK(BM_XorBlock64MiB)->Unit(benchmark::kMillisecond);

// The whole strong block, key derivation included.
void BM_StrongBlock64MiB(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<TStrongCodec> codec;
    TByteSource source;
    TFileSink sink;
    if (TStrongCodec::Make("pagekey", &codec) || !source.Open(PagePath()) ||
        !codec->WriteBlock(source, false, std::string(kXorLineBreak), sink).ok())
      state.SkipWithError("the strong codec failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPageSize));
}
BENCHMARK(BM_StrongBlock64MiB)->Unit(benchmark::kMillisecond);

void BM_KeyDerivation600k(benchmark::State& state) {
  std::string key;
  for (auto _ : state) {
    if (!platform::DeriveKeyPbkdf2Sha256("pagekey", "0123456789abcdef", kStrongIterations, 32, &key))
      state.SkipWithError("derivation failed");
    benchmark::DoNotOptimize(key.data());
  }
}
BENCHMARK(BM_KeyDerivation600k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove(PagePath());
  std::filesystem::remove(BlockPath());
  return 0;
}
