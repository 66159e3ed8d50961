#!/usr/bin/env bash
# Builds every flavour and runs every test: native, native under the
# sanitizers, a short run of every fuzz harness, the 64-bit Windows
# edition under wine64, and the 32-bit Windows edition: under wine where
# this kernel starts 32-bit programs, and from its bytes everywhere (the
# checks labelled "bytes", which need no running). One virtual display
# serves everything that opens a window.
#
# The run fails when any step fails, when no Windows test ran, when a
# Windows test failed or was skipped, and when a tool the Windows tests
# need is missing (scripts/setup.sh installs them all).
#
# The flavours overlap. The native build comes first (the Windows builds
# run its tools); then each flavour's tests run while the next flavours
# build at the lowest priority, on the processor time the tests leave. The
# wine prefixes are made meanwhile too. Builds go through ccache where the
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
# A step that everything after it needs: its failure ends the run.
needed() {
  step "$@" && return 0
  echo "=== $1 failed; its log, build/test-all/$1.log, ends:"
  tail -n 80 "$logs/$1.log"
  exit 1
}

# The Windows tests' tools: missing, the run fails here rather than
# reporting fewer tests.
windows_tools() {
  local missing=()
  for tool in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix i686-w64-mingw32-addr2line \
              x86_64-w64-mingw32-objdump makensis xvfb-run Xvfb node; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  [ -x /usr/lib/wine/wine64 ] || missing+=(/usr/lib/wine/wine64)
  [ ${#missing[@]} = 0 ] && return 0
  echo "missing: ${missing[*]} (run scripts/setup.sh)"
  return 1
}
needed windows-tools windows_tools
. scripts/virtual_display.sh

configure() { cmake --preset "$1"; }
build() { cmake --build --preset "$1"; }
# The builds that overlap tests yield to them.
background_build() { nice -n 19 cmake --build --preset "$1" "${@:2}"; }
# run_tests <preset> <slots> [ctest arguments]
run_tests() { ctest --preset "$1" -j"$2" "${@:3}"; }
# Windows tests run under wine, whose 32-bit side has now and then crashed
# as a test program ended (every case passed, then wine's own segmentation
# fault). A Windows test gets a second run; one that fails twice fails the
# run, and each second run is listed at the end.
run_windows_tests() { ctest --preset "$1" -j2 --repeat until-pass:2 "${@:2}"; }
libjpeg() { scripts/build-libjpeg-mingw.sh i686 && scripts/build-libjpeg-mingw.sh x86_64; }

needed linux-configure configure linux
needed linux-build build linux
needed linux-asan-configure configure linux-asan
needed libjpeg-mingw libjpeg
needed win64-configure configure win64
needed win32-configure configure win32
# Every link and cited test of the documents, once every build is configured.
step docs-check scripts/check-docs.sh || true

# Does this machine run 32-bit Windows programs? The kernel may not start
# 32-bit programs at all (ia32_emulation=off); or it may start them only
# through an emulator registered for i386 programs (qemu-user by
# binfmt_misc), under which the dynamic loader answers but wine itself may
# never come up. So wine is asked to run a program and return its exit
# code, within a time limit; where the kernel starts 32-bit programs itself,
# a wine that does not is a missing tool, and the run fails.
i386_emulated() { grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; }
# A static 32-bit program of three instructions (exit 7), made with the
# native binutils: it answers whether the kernel starts 32-bit programs
# even where no i386 library is installed.
kernel_starts_i386() {
  local probe=$root/build/i386-probe
  if [ ! -x "$probe" ]; then
    printf '.globl _start\n_start:\n movl $1, %%eax\n movl $7, %%ebx\n int $0x80\n' >"$probe.s"
    as --32 -o "$probe.o" "$probe.s" && ld -m elf_i386 -o "$probe" "$probe.o" || return 1
  fi
  local status=0
  "$probe" 2>/dev/null || status=$?
  [ "$status" = 7 ]
}
wine32_runs() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || return 1
  local status=0
  timeout -k 10 300 nice -n 19 build/win32/wine-run cmd /c exit 7 >/dev/null 2>&1 || status=$?
  if [ "$status" != 7 ]; then
    WINEPREFIX=$root/build/win32/wineprefix wineserver -k 2>/dev/null || true
    return 1
  fi
}
make_win64_prefixes() {
  nice -n 19 build/win64/wine-run cmd /c exit
  ZENDREL_WINEPREFIX=$root/build/win64/wineprefix-120dpi nice -n 19 build/win64/wine-run cmd /c exit
}
step win64-prefixes make_win64_prefixes &
children+=($!)

# A kernel that neither starts 32-bit programs nor hands them to an
# emulator runs none of the 32-bit edition's tests: only its programs and
# setup program are built, for the checks of their bytes.
win32_bytes_only=no
if ! kernel_starts_i386 && ! i386_emulated; then win32_bytes_only=yes; fi
win32_parts() {
  if [ $win32_bytes_only = yes ]; then
    background_build win32 --target zendrel_setup_parts
  else
    background_build win32
  fi
}

# Behind the native tests: the sanitizer build, then the Windows editions.
(
  step linux-asan-build background_build linux-asan || true
  step win64-build background_build win64 || true
  step win32-build win32_parts || true
) &
builds=$!
children+=($builds)

# Three slots for the native tests: the four browser tests mostly wait (for
# a launch, a page, a derivation in the browser), and on two processors
# two slots left one of them idle for minutes.
step linux-tests run_tests linux 3 || true
# Every fuzz harness for a short fixed budget, and every regression input
# (its own clang build); the sanitizer build goes on behind it.
step fuzz-smoke scripts/fuzz-smoke.sh || true

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
  step linux-asan-tests run_tests linux-asan 2 || true
fi
if ended win64-build; then
  # The tests make their prefixes themselves if making them ahead failed.
  wait "${children[0]}" || true
  step win64-tests run_windows_tests win64 || true
fi
if ended win32-build; then
  win32_runs=no
  if [ $win32_bytes_only = no ] && wine32_runs; then
    win32_runs=yes
    step win32-tests run_windows_tests win32 || true
  else
    if kernel_starts_i386 && ! i386_emulated; then
      echo "This kernel starts 32-bit programs, but wine does not run 32-bit Windows programs (Debian's wine32:i386)." \
        >"$logs/win32-wine.log"
      echo 1 >"$logs/win32-wine.status"
    fi
    step win32-tests run_windows_tests win32 -L bytes || true
  fi
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

# The Windows tests: how many ran, and none skipped. A whole test skipped
# (ctest's "Skipped" or "Not Run") fails the run; single cases skipped inside
# a passing test program (GoogleTest's, for what has no meaning on Windows)
# are listed with their reasons.
echo
windows_ran=0
for flavour in linux linux-asan win64 win32; do
  log=$logs/$flavour-tests.log
  [ -f "$log" ] || continue
  summary=$(grep -E 'tests passed' "$log" || echo "no summary")
  echo "$flavour: $summary"
  case $flavour in
    win*)
      ran=$(sed -nE 's/.* tests failed out of ([0-9]+)$/\1/p' "$log")
      grep -E '^[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*' "$log" | sed -E "s/^[0-9]+\/[0-9]+ /  $flavour first run failed, run again: /" || true
      windows_ran=$((windows_ran + ${ran:-0}))
      if grep -qE '\*\*\*(Skipped|Not Run)' "$log"; then
        echo "$flavour: whole tests skipped or not run:"
        grep -E '\*\*\*(Skipped|Not Run)' "$log" | sed 's/^/  /'
        failed=1
      fi
      grep -hE -B1 '^\[  SKIPPED \] .*\([0-9]+ ms\)$' "build/$flavour/Testing/Temporary/LastTest.log" 2>/dev/null |
        grep -v '^--$' | paste -d ' ' - - |
        sed -E "s/^(.*)\[  SKIPPED \] (.*) \([0-9]+ ms\)$/  $flavour case skipped: \2: \1/" || true
      ;;
  esac
done
if [ "$windows_ran" = 0 ]; then
  echo "*** No Windows test ran."
  failed=1
fi
if [ "${win32_runs:-no}" = no ]; then
  echo "win32: this machine does not run 32-bit Windows programs: the 32-bit edition was built, and checked"
  echo "       from its bytes only (ctest -L bytes); its other tests ran as the 64-bit edition's."
fi
echo "[$(elapsed) s] $([ $failed = 0 ] && echo passed || echo FAILED)"
exit $failed
