#!/usr/bin/env bash
# A long fuzzing run of the line-information reader (libFuzzer with
# AddressSanitizer and UndefinedBehaviorSanitizer, native build). The corpus
# is kept in build/linux/fuzz-corpus/line_info, so each run goes on from the
# last one. Prints libFuzzer's final statistics, among them the number of
# executions (stat::number_of_executed_units).
# Usage: bench/fuzz_line_info.sh [seconds, default 300]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
cmake --preset linux >/dev/null
cmake --build --preset linux -j2 --target line_info_fuzz_harness
corpus=build/linux/fuzz-corpus/line_info
mkdir -p "$corpus"
exec build/linux/tests/line_info/line_info_fuzz "$corpus" -max_total_time="$seconds" -max_len=4096 \
  -print_final_stats=1
