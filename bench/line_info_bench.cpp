// A full error report's worth of lookups (49, the most the stack capture
// keeps) in a real side file. The goal is under 5 ms for the 49.
//   line_info_bench [--rli=<side file>]   (default: the program's own zendrel.RLI
//   in build/linux/app; the Windows build's is build/win32/app/zendrel.RLI)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "errors/line_info.h"

namespace {

std::string g_side_file = "build/linux/app/zendrel.RLI";
std::vector<std::uint8_t> g_body;
std::vector<std::uint32_t> g_offsets;

// 49 offsets spread evenly over the code the units cover, so that the
// lookups reach every part of the tables.
std::vector<std::uint32_t> SpreadOffsets(const std::vector<std::uint8_t>& body) {
  TLineInfoReader reader(body.data(), body.size());
  std::int32_t unit_count = 0, unused = 0;
  reader.ReadInt32(&unit_count);
  for (int i = 0; i < 3; ++i) reader.ReadInt32(&unused);
  std::uint32_t first = 0, last = 0, value = 0;
  for (std::int32_t i = 0; i < unit_count && reader.ReadUint32(&value) && reader.ReadName(nullptr); ++i) {
    if (i == 0) first = value;
  }
  reader.ReadUint32(&last);
  std::vector<std::uint32_t> offsets;
  for (std::uint32_t k = 0; k < 49; ++k)
    offsets.push_back(first + static_cast<std::uint32_t>((std::uint64_t{last - first} * k) / 49));
  return offsets;
}

void BM_FullReport(benchmark::State& state) {
  int lines_found = 0;
  for (auto _ : state) {
    lines_found = 0;
    for (std::uint32_t offset : g_offsets) {
      AddressInfo info;
      LookupInTables(g_body.data(), g_body.size(), 0, offset, &info);
      lines_found += info.LineNumber != 0;
      benchmark::DoNotOptimize(info);
    }
  }
  state.counters["lines_found"] = lines_found;
  state.counters["body_bytes"] = static_cast<double>(g_body.size());
}
BENCHMARK(BM_FullReport)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rli=", 6) == 0) g_side_file = argv[i] + 6;
  }
  if (!ReadLineInfoBody(g_side_file, &g_body)) {
    std::fprintf(stderr, "cannot read %s\n", g_side_file.c_str());
    return 1;
  }
  g_offsets = SpreadOffsets(g_body);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
