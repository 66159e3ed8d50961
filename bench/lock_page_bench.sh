#!/usr/bin/env bash
# A whole batch lock of a 64 MiB HTML page with a small template, against a
# plain `cp` of the same file in the same run; reports time and peak memory.
# Usage: bench/lock_page_bench.sh [build/linux]
set -euo pipefail
build=${1:-build/linux}
exe=$(cd "$build" && pwd)/app/zendrel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/install/Templates/Bench" "$work/site"
cp "$exe" "$work/install/zendrel"
printf '<html><head><script>\r\nvar page = [].concat(\r\n//Page Begin\r\n//Page End\r\n);\r\n</script></head></html>\r\n' \
  > "$work/install/Templates/Bench/index.html"
python3 - "$work/site/page.html" <<'PY'
import random, sys
random.seed(1)
words = [b"<p>", b"</p>\r\n", b"the", b"quick", b"brown", b"fox", b"jumps", b"over", b"lazy", b"dog", b"0123", b"&amp;"]
size = 64 << 20
out = bytearray()
while len(out) < size:
    out += random.choice(words) + b" "
open(sys.argv[1], "wb").write(out[:size])
PY
sync
cp_time=$( { /usr/bin/time -f "%e" cp "$work/site/page.html" "$work/copy.html"; } 2>&1 )
rm -f "$work/copy.html"
read -r lock_time lock_kb < <( { /usr/bin/time -f "%e %M" "$work/install/zendrel" Bench "$work/site/page.html" \
  "$work/site/backup.html" pagekey; } 2>&1 | tail -n 1 )
page_kb=$(( (64 << 20) / 1024 ))
python3 - "$cp_time" "$lock_time" "$lock_kb" "$page_kb" <<'PY'
import sys
cp, lock, kb, page = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
print(f"cp of 64 MiB: {cp:.2f} s; lock of 64 MiB: {lock:.2f} s ({lock / max(cp, 0.01):.1f} x cp)")
print(f"peak memory of the lock: {kb / 1024:.0f} MiB ({kb / page:.2f} x the page)")
PY
