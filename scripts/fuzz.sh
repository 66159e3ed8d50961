#!/usr/bin/env bash
# The fuzz harnesses (tests/fuzz, built by the fuzz preset: clang, libFuzzer,
# ASan, UBSan) and the browser decoder's harness (tests/fuzz/decoder_fuzz.js).
#
#   scripts/fuzz.sh [seconds]   a long campaign: each harness in turn for
#                               `seconds` (default 600) under nice, the corpus
#                               kept in build/fuzz/corpus/<harness>, so that
#                               each campaign goes on from the last
#   scripts/fuzz.sh --smoke     every harness for 20 s, two at a time, from
#                               the seeds alone, then every file in
#                               tests/fuzz/regressions/<harness>/ once
#
# Prints executions, coverage (edges) and findings per harness. A finding
# fails the run and its input's path is printed (build/fuzz/findings/).
# Only harnesses named in FUZZ_HARNESSES run when it is set.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

smoke=false
seconds=600
if [ "${1:-}" = "--smoke" ]; then
  smoke=true
  seconds=20
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
logs=$build/fuzz-logs
$smoke && logs=$build/fuzz-logs/smoke
mkdir -p "$findings" "$logs"

harnesses=${FUZZ_HARNESSES:-"unlock literals payload_area page_patterns cli_arguments line_info keyring decoder"}

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
  local h=$1 log=$logs/$1.log execs edges
  if [ "$h" = decoder ]; then
    execs=$(sed -n 's/^executions: //p' "$log" | tail -1)
    edges=$(sed -n 's/^coverage: //p' "$log" | tail -1)
  else
    execs=$(sed -n 's/^stat::number_of_executed_units: //p' "$log" | tail -1)
    edges=$(grep -ao 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  fi
  printf '%-14s executions %-10s edges %-6s' "$h" "${execs:-?}" "${edges:-?}"
}

status=0
report() {
  local h=$1 code=$2 found
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
}

if $smoke; then
  # Two at a time, each from its seeds into a scratch corpus.
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  set -- $harnesses
  while [ $# -gt 0 ]; do
    a=$1; b=${2:-}
    { run "$a" "$scratch/$a" && replay "$a"; echo $? >"$scratch/$a.code"; } &
    if [ -n "$b" ]; then { run "$b" "$scratch/$b" && replay "$b"; echo $? >"$scratch/$b.code"; } & fi
    wait
    report "$a" "$(cat "$scratch/$a.code")"
    [ -n "$b" ] && report "$b" "$(cat "$scratch/$b.code")"
    shift; [ $# -gt 0 ] && shift
  done
else
  for h in $harnesses; do
    run "$h" "$build/corpus/$h"; code=$?
    replay "$h" || code=1
    report "$h" "$code"
  done
fi
exit $status
