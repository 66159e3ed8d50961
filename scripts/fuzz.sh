#!/usr/bin/env bash
# The fuzz harnesses (tests/fuzz, built by the fuzz preset: clang, libFuzzer,
# ASan, UBSan) and the browser decoder's harness (tests/fuzz/decoder_fuzz.js).
#
#   scripts/fuzz.sh [seconds]   a long campaign: each harness in turn for
#                               `seconds` (default 600) under nice, the corpus
#                               kept in build/fuzz/corpus/<harness>, so that
#                               each campaign goes on from the last; with
#                               FUZZ_PARALLEL=2, two harnesses at a time
#   scripts/fuzz.sh --smoke     every harness for 12 s, two at a time, from
#                               the seeds alone, then every file in
#                               tests/fuzz/regressions/<harness>/ once
#
# Prints executions, coverage (edges) and findings per harness. A finding
# fails the run and its input's path is printed (build/fuzz/findings/).
# Only harnesses named in FUZZ_HARNESSES run when it is set; FUZZ_LOGS names
# another folder for the logs, for a second campaign on the same harness. Each campaign
# adds a line to build/fuzz/campaigns.tsv (date, harness, seconds,
# executions, edges, findings), and the summary adds up the executions of
# every campaign on the kept corpus.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

smoke=false
seconds=600
if [ "${1:-}" = "--smoke" ]; then
  smoke=true
  seconds=12
elif [ -n "${1:-}" ]; then
  seconds=$1
fi

command -v clang++ >/dev/null || { echo "fuzz: clang++ is missing: run scripts/setup.sh" >&2; exit 1; }
command -v node >/dev/null || { echo "fuzz: node is missing: run scripts/setup.sh" >&2; exit 1; }
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j2 >build/fuzz-build.log 2>&1 || { cat build/fuzz-build.log >&2; exit 1; }

build=$root/build/fuzz
seeds=$build/fuzz-seeds
findings=$build/findings
logs=${FUZZ_LOGS:-$build/fuzz-logs}
$smoke && logs=$build/fuzz-logs/smoke
mkdir -p "$findings" "$logs"

harnesses=${FUZZ_HARNESSES:-"unlock literals payload_area page_patterns cli_arguments line_info keyring decoder"}
parallel=${FUZZ_PARALLEL:-1}
$smoke && parallel=2
tally=$build/campaigns.tsv

# A freed block waits in ASan's quarantine before its memory is used again,
# so that a use after free is caught: 16 MB holds the frees of dozens of
# inputs (the default 256 MB only makes each input touch fresh pages).
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}

# libFuzzer's options: no single allocation above 64 MB (a literal that
# claims 100 MB must be refused, not allocated), no input slower than 10 s.
max_len() {
  case $1 in
    unlock) echo 16384 ;;
    line_info) echo 4096 ;;
    page_patterns) echo 512 ;;
    cli_arguments) echo 1024 ;;
    *) echo 8192 ;;
  esac
}

# Runs one harness; its log goes to $logs/<harness>.log.
run() {
  local h=$1 corpus=$2 log=$logs/$1.log
  mkdir -p "$corpus"
  if [ "$h" = decoder ]; then
    nice -n 19 node tests/fuzz/decoder_fuzz.js --seconds="$seconds" --corpus="$corpus" \
      --seeds="$seeds/decoder" --findings="$findings" >"$log" 2>&1
  else
    nice -n 19 "$build/tests/fuzz/fuzz_$h" "$corpus" "$seeds/$h" -max_total_time="$seconds" \
      -max_len="$(max_len "$h")" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 -print_final_stats=1 \
      -artifact_prefix="$findings/$h-" >"$log" 2>&1
  fi
}

replay() {
  local h=$1 dir=$root/tests/fuzz/regressions/$1
  local files=("$dir"/*)
  [ -e "${files[0]}" ] || return 0
  if [ "$h" = decoder ]; then
    node tests/fuzz/decoder_fuzz.js --replay "${files[@]}" >>"$logs/$h.log" 2>&1
  else
    "$build/tests/fuzz/fuzz_$h" -timeout=10 -malloc_limit_mb=64 "${files[@]}" >>"$logs/$h.log" 2>&1
  fi
}

summary() {
  local h=$1 log=$logs/$1.log
  if [ "$h" = decoder ]; then
    execs=$(sed -n 's/^executions: //p' "$log" | tail -1)
    edges=$(sed -n 's/^coverage: //p' "$log" | tail -1)
  else
    execs=$(sed -n 's/^stat::number_of_executed_units: //p' "$log" | tail -1)
    edges=$(grep -ao 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  fi
  printf '%-14s executions %-10s edges %-6s' "$h" "${execs:-?}" "${edges:-?}"
}

# Adds the campaign to the tally and prints the executions of every
# campaign on this harness's corpus.
tally_up() {
  local h=$1 count=$2 total
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$h" "$seconds" "${execs:-0}" "${edges:-?}" "$count" \
    >>"$tally"
  total=$(awk -F'\t' -v h="$h" '$2 == h { n += $4 } END { print n + 0 }' "$tally")
  printf '%-14s all campaigns on build/fuzz/corpus/%s: %s executions\n' "" "$h" "$total"
}

status=0
report() {
  local h=$1 code=$2 found execs edges
  # A slow unit is no finding: on a loaded machine a niced run may wait
  # seconds for a core. A hang is a timeout, which fails the run.
  found=$(grep -aho "Test unit written to .*\|finding written to .*\|failed: .*" "$logs/$h.log" | grep -v slow-unit |
    sed 's/^/  /')
  summary "$h"
  if [ "$code" -ne 0 ] || [ -n "$found" ]; then
    status=1
    echo " FINDING (log: $logs/$h.log)"
    [ -n "$found" ] && echo "$found"
  else
    echo " findings 0"
  fi
  $smoke || tally_up "$h" "$(printf '%s' "$found" | grep -c .)"
}

# Each harness from its seeds into a scratch corpus (smoke), or on from
# its kept corpus (campaign), `parallel` at a time.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
corpus_of() { if $smoke; then echo "$scratch/$1"; else echo "$build/corpus/$1"; fi; }
set -- $harnesses
while [ $# -gt 0 ]; do
  batch=("$1"); shift
  if [ "$parallel" -ge 2 ] && [ $# -gt 0 ]; then batch+=("$1"); shift; fi
  for h in "${batch[@]}"; do
    { run "$h" "$(corpus_of "$h")" && replay "$h"; echo $? >"$scratch/$h.code"; } &
  done
  wait
  for h in "${batch[@]}"; do report "$h" "$(cat "$scratch/$h.code")"; done
done
exit $status
