// The leak check's word loop over text like the big-page bench's
// (bench/site_lock_bench.sh: short words between tags and entities) and
// over prose of longer words, fed in 64 KiB pieces as a job reads a page.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/site/text_run_reader.h"

namespace {

std::string MakeText(const std::vector<std::string>& words, std::size_t size) {
  std::mt19937 random(1);
  std::string text;
  while (text.size() < size) text += words[random() % words.size()] + " ";
  return text;
}

void ReadRuns(benchmark::State& state, const std::string& text) {
  std::size_t runs = 0;
  TTextRunReader reader([&](const std::uint64_t*, std::size_t count) { runs += count; });
  // A sample of one run in 512, as the set has it past 30 million runs.
  reader.Drop(0x1ff);
  for (auto _ : state) {
    for (std::size_t at = 0; at < text.size(); at += 1 << 16)
      reader.Feed(text.data() + at, std::min<std::size_t>(1 << 16, text.size() - at));
    reader.End();
  }
  benchmark::DoNotOptimize(runs);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void BM_ShortWordsAndTags(benchmark::State& state) {
  static const std::string text = MakeText(
      {"<p>", "</p>\n", "the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "0123", "&amp;"}, 16 << 20);
  ReadRuns(state, text);
}

void BM_Prose(benchmark::State& state) {
  static const std::string text =
      MakeText({"Documentation", "describes", "configuration", "of", "the", "international", "Interface,",
                "<a href=\"reference.html\">reference</a>", "examples", "and", "compatibility."},
               16 << 20);
  ReadRuns(state, text);
}

}  // namespace

BENCHMARK(BM_ShortWordsAndTags)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prose)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
