#!/usr/bin/env bash
# Sites of 1,000, 10,000 and 100,000 pages of 4 KiB, 100 pages per folder
# with a stylesheet and a picture in each folder, locked by `zendrel site`
# (default jobs, the Light template) into a new folder, against a durable
# copy of the same tree (`cp -r`, then `sync -f` on the copy) and one
# PBKDF2 derivation (openssl kdf, the lock's own parameters). Prints the
# median of three runs of each and the lock's peak memory.
# Goals: 10,000 pages at most 3 x (durable copy + derivation); 100,000
# pages at most 11 x the 10,000 pages' time, with a peak under 64 MiB.
# Usage: bench/site_scale.sh [build/linux] [--quick]   (--quick: no 100,000)
set -euo pipefail
build=$(cd "${1:-build/linux}" && pwd)
sizes="1000 10000 100000"
[[ "${2:-}" == "--quick" ]] && sizes="1000 10000"
zendrel=${ZENDREL:-$build/app/zendrel}
template=$build/templates/Templates/Light
work=$(mktemp -d "${BENCH_DIR:-$PWD}/site_scale.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ZENDREL_BENCH_PASSWORD='bench pass phrase'

make_site() {
  python3 - "$1" "$2" <<'PY'
import os, random, sys
random.seed(1)
root, pages = sys.argv[1], int(sys.argv[2])
words = ["the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "0123", "&amp;"]
text = " ".join(random.choice(words) for _ in range(200000))
style = b"p { margin: 0 }\n" * 64
picture = random.randbytes(8 << 10)
for n in range(pages):
    folder = os.path.join(root, f"section{n // 100}")
    if n % 100 == 0:
        os.makedirs(folder)
        open(os.path.join(folder, "style.css"), "wb").write(style)
        open(os.path.join(folder, "picture.png"), "wb").write(picture)
    start = random.randrange(0, len(text) - 4096)
    body = ("<html><head><link rel=stylesheet href=style.css></head><body><img src=picture.png><p>"
            + text[start:start + 4096])[:4096 - 22] + "</p></body></html>\n"
    open(os.path.join(folder, f"page{n % 100}.html"), "w").write(body)
PY
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One PBKDF2-HMAC-SHA256 derivation of 600,000 iterations, 32 bytes.
derive_time=$(for i in 1 2 3; do
  { /usr/bin/time -f "%e" openssl kdf -keylen 32 -kdfopt digest:SHA256 -kdfopt pass:bench \
      -kdfopt salt:0123456789abcdef -kdfopt iter:600000 PBKDF2 >/dev/null; } 2>&1 | tail -n 1
done | median)

echo "machine: $(nproc) cores, $(uname -sr), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "one PBKDF2 derivation: ${derive_time} s"
printf '%8s %12s %12s %10s %10s\n' pages "lock (s)" "copy (s)" ratio "peak MiB"
for pages in $sizes; do
  rm -rf "$work/site"
  make_site "$work/site" "$pages"
  sync -f "$work"
  # The copy and the lock take turns, each after the previous run's tree is
  # deleted (and an untimed copy before the first): ext4 without a journal
  # passes over the inodes freed in the last minutes when it allocates new
  # ones, so a run that follows more deletions pays more for its inodes.
  # Taking turns gives both the same history.
  cp -r "$work/site" "$work/copy"
  copy_runs=""
  runs=""
  for i in 1 2 3; do
    rm -rf "$work/copy" "$work/out"; sync -f "$work"
    copy_runs+=$({ /usr/bin/time -f "%e" sh -c 'cp -r "$1" "$2" && sync -f "$2"' sh "$work/site" "$work/copy"; } 2>&1 | tail -n 1)$'\n'
    rm -rf "$work/copy"; sync -f "$work"
    runs+=$({ /usr/bin/time -f "%e %M" "$zendrel" site --password-env ZENDREL_BENCH_PASSWORD --template "$template" \
        "$work/site" "$work/out" >/dev/null; } 2>&1 | tail -n 1)$'\n'
  done
  rm -rf "$work/copy" "$work/out"
  copy=$(echo -n "$copy_runs" | median)
  lock=$(echo -n "$runs" | awk '{print $1}' | median)
  peak=$(echo -n "$runs" | awk '{print $2}' | sort -n | tail -n 1)
  ratio=$(awk -v l="$lock" -v c="$copy" -v d="$derive_time" 'BEGIN { printf "%.2f", l / (c + d) }')
  printf '%8s %12s %12s %10s %10.1f\n' "$pages" "$lock" "$copy" "${ratio}x" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
  eval "lock_$pages=$lock"
done
if [[ -n "${lock_100000:-}" ]]; then
  awk -v a="$lock_100000" -v b="$lock_10000" 'BEGIN { printf "100,000 pages take %.1f x the 10,000 pages (goal 11 x)\n", a / b }'
fi
