// BuildPageBlock from a byte source over a 16 MiB page: the throughput of the
// whole encoder, file reads through the window included.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "engine/format/xor/page_encoding.h"
#include "fileio/byte_source.h"

namespace {

std::string MakePage(std::size_t size) {
  // Text-like bytes: what pages are made of, no zero bytes.
  const std::string alphabet =
      "<html><body><p class=\"x\">The quick brown fox jumps over the lazy dog 0123456789.</p>\r\n";
  std::mt19937 random(42);
  std::string page(size, ' ');
  for (auto& c : page) c = alphabet[random() % alphabet.size()];
  return page;
}

void BM_BuildPageBlock16MiB(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "zendrel-bench-page.html";
  const std::size_t size = 16u << 20;
  {
    std::ofstream out(path, std::ios::binary);
    const std::string page = MakePage(size);
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
  }
  for (auto _ : state) {
    TByteSource source;
    source.Open(path.string());
    const std::string block = BuildPageBlock(source, "pagekey", false);
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
  std::filesystem::remove(path);
}
BENCHMARK(BM_BuildPageBlock16MiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
