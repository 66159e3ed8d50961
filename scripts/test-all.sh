#!/usr/bin/env bash
# Builds all three flavours and runs every test: native, native under the
# sanitizers, and the Windows build under wine (with one virtual display for
# everything that opens a window).
#
# The flavours overlap. The native build comes first (the Windows build runs
# its tools); then each flavour's tests run while the next flavours build at
# the lowest priority, on the processor time the tests leave. The wine
# prefixes are made meanwhile too. Builds go through ccache where the
# machine has it, so a second clone compiles little.
# Each step's output is in build/test-all/<step>.log; a failed step's log is
# printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
logs=$root/build/test-all
mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.status

if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  # Paths inside the clone count relative to it, so every clone shares it.
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
fi

xvfb_pid=
children=()
cleanup() {
  for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
. scripts/virtual_display.sh

start=$(date +%s)
elapsed() { echo $(($(date +%s) - start)); }
# step <name> <command...>: runs the command with its output in the step's
# log; records and says how it ended.
step() {
  local name=$1 status=0
  shift
  echo "[$(elapsed) s] $name"
  "$@" >"$logs/$name.log" 2>&1 || status=$?
  echo "$status" >"$logs/$name.status"
  if [ "$status" = 0 ]; then
    echo "[$(elapsed) s] $name: done"
  else
    echo "[$(elapsed) s] $name: FAILED (build/test-all/$name.log)"
  fi
  return "$status"
}
configure() { cmake --preset "$1"; }
build() { cmake --build --preset "$1"; }
# The builds that overlap tests yield to them.
background_build() { nice -n 19 cmake --build --preset "$1"; }
run_tests() { ctest --preset "$1" -j2; }
# A wine prefix is made once, on first use; making it ahead saves the first
# Windows tests that wait.
make_wine_prefixes() {
  nice -n 19 build/win32/wine-run cmd /c exit
  ZENDREL_WINEPREFIX=$root/build/win32/wineprefix-120dpi nice -n 19 build/win32/wine-run cmd /c exit
}

# A step that everything after it needs: its failure ends the run.
needed() {
  step "$@" && return 0
  echo "=== $1 failed; its log, build/test-all/$1.log, ends:"
  tail -n 80 "$logs/$1.log"
  exit 1
}
needed linux-configure configure linux
needed linux-build build linux
needed linux-asan-configure configure linux-asan
needed win32-configure configure win32
# The Windows build's programs are 32-bit and run under wine, which needs a
# kernel that starts 32-bit programs. Some virtual machines turn that off
# (ia32_emulation=off): there the Windows build is still built in full, and
# its tests are reported as not run, loudly, at the end. Set
# ZENDREL_REQUIRE_WIN32_TESTS=1 to count that as a failure.
win32_runs=yes
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  win32_runs=no
  echo "*** This kernel cannot start 32-bit programs: the Windows build is built but its tests cannot run here."
fi
if [ $win32_runs = yes ]; then
  step wine-prefixes make_wine_prefixes &
  children+=($!)
fi

# Behind the native tests: the sanitizer build, then the Windows build.
(
  step linux-asan-build background_build linux-asan || true
  step win32-build background_build win32 || true
) &
builds=$!
children+=($builds)

step linux-tests run_tests linux || true
# ended <step>: waits until the step has ended; true if it succeeded.
ended() {
  while [ ! -f "$logs/$1.status" ]; do
    if ! kill -0 "$builds" 2>/dev/null && [ ! -f "$logs/$1.status" ]; then
      echo 1 >"$logs/$1.status"
      break
    fi
    sleep 2
  done
  [ "$(cat "$logs/$1.status")" = 0 ]
}
if ended linux-asan-build; then
  step linux-asan-tests run_tests linux-asan || true
fi
if ended win32-build && [ $win32_runs = yes ]; then
  # The tests make a prefix themselves if making it ahead failed.
  wait "${children[0]}" || true
  step win32-tests run_tests win32 || true
fi
# Only this run's steps: a bare wait would wait for the Xvfb started above too.
for pid in "${children[@]}"; do wait "$pid" 2>/dev/null || true; done

failed=0
for status in "$logs"/*.status; do
  [ "$(cat "$status")" = 0 ] && continue
  failed=1
  name=$(basename "$status" .status)
  echo
  echo "=== $name failed; its log, build/test-all/$name.log, ends:"
  tail -n 80 "$logs/$name.log"
done
echo
for flavour in linux linux-asan win32; do
  [ -f "$logs/$flavour-tests.log" ] && echo "$flavour: $(grep -E 'tests passed' "$logs/$flavour-tests.log")"
done
if [ $win32_runs = no ]; then
  echo
  echo "*** win32: built, tests NOT RUN: this kernel cannot start 32-bit programs (wine needs them)."
  echo "*** Run scripts/test-all.sh on a machine with 32-bit support to test the Windows build, or"
  echo "*** scripts/test-win64.sh here to test the same Windows sources as a 64-bit build under wine64."
  [ "${ZENDREL_REQUIRE_WIN32_TESTS:-0}" = 1 ] && failed=1
fi
tested="all three flavours built and tested"
[ $win32_runs = no ] && tested="all three flavours built; native and sanitizer flavours tested (Windows tests not run)"
echo "[$(elapsed) s] $tested: $([ $failed = 0 ] && echo passed || echo FAILED)"
exit $failed
