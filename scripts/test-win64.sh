#!/usr/bin/env bash
# The 64-bit Windows edition alone, for working on Windows code: builds the
# native flavour first when its tools are missing (the Windows build runs
# them), cross-builds libjpeg for x86_64 when missing, builds win64 and runs
# its tests under wine64 (extra arguments go to ctest), then prints the
# times and counts. scripts/test-all.sh runs the same tests with all the
# others.
#   scripts/test-win64.sh [extra ctest arguments, e.g. -R cli]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

fail() { echo "test-win64: $*" >&2; exit 1; }
command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
  fail "x86_64-w64-mingw32-g++-posix is missing (Debian's g++-mingw-w64-x86-64-posix)"
[ -x /usr/lib/wine/wine64 ] || fail "/usr/lib/wine/wine64 is missing (Debian's wine64)"
command -v xvfb-run >/dev/null || fail "xvfb-run is missing (Debian's xvfb)"

if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
fi

start=$(date +%s)
elapsed() { echo $(($(date +%s) - start)); }

if [ ! -x build/linux/tools/zendrel-rli ]; then
  echo "[$(elapsed) s] native build (its tools write the Windows programs' line information)"
  cmake --preset linux >/dev/null
  nice cmake --build --preset linux
fi
scripts/build-libjpeg-mingw.sh x86_64

echo "[$(elapsed) s] configuring and building win64"
cmake --preset win64 >/dev/null
nice cmake --build --preset win64
built=$(elapsed)

# One virtual display for every test that opens a window.
xvfb_pid=
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
. scripts/virtual_display.sh

echo "[$(elapsed) s] running the win64 tests"
log=build/win64/test-win64.log
status=0
ctest --preset win64 -j2 "$@" 2>&1 | tee "$log" || status=$?
tested=$(($(elapsed) - built))

echo
echo "win64: built in ${built} s, tested in ${tested} s"
grep -E 'tests passed' "$log" || true
# Skipped: whole tests (ctest's "Skipped") and single cases inside a passing
# test program (GoogleTest's, in ctest's full log), each with its reason.
grep -E '\*\*\*Skipped' "$log" | sed 's/^/win64 skipped: /' || true
grep -hE -B1 '^\[  SKIPPED \] .*\([0-9]+ ms\)$' build/win64/Testing/Temporary/LastTest.log 2>/dev/null |
  grep -v '^--$' | paste -d ' ' - - | sed -E 's/^(.*)\[  SKIPPED \] (.*) \([0-9]+ ms\)$/win64 skipped: \2: \1/' || true
grep -E '^[[:space:]]*[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Exception|Not Run)' "$log" || true
exit $status
