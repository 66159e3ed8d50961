#!/usr/bin/env bash
# The side file of a real Windows program against the program's own DWARF
# lines, read by binutils' addr2line: no running needed, so it checks the
# 32-bit edition's zendrel.exe on a machine that cannot start it, too.
# For about 200 addresses inside our own routines (one in the middle of each
# sampled routine), the side file (read by the native zendrel-rli-lookup)
# must name the same source file and line as addr2line's innermost frame,
# and a routine whose name begins the outermost frame's (the side file keeps
# the routine an inlined line belongs to, its name cut at 255 characters).
#   side_file_dwarf_test.sh <program.exe> <program.RLI> <zendrel-rli-lookup> <binutils prefix> <source dir>
set -euo pipefail
exe=$1 rli=$2 lookup=$3 binutils=$4 src=$(realpath "$5")
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in "$binutils-addr2line" "$binutils-nm" "$binutils-objdump" c++filt; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/setup.sh"
done
[ -f "$rli" ] || fail "no side file $rli"

# Logical addresses count from the image base plus 4096 (the code base).
image_base=$("$binutils-objdump" -p "$exe" | awk '$1 == "ImageBase" {print $2}')
[ -n "$image_base" ] || fail "no ImageBase in $exe"
code_base=$((0x$image_base + 4096))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The middle of each routine: halfway to the next code symbol.
"$binutils-nm" --defined-only -n "$exe" | awk '$2 ~ /^[tT]$/ && $3 !~ /^\./ {print $1}' | uniq |
  { prev=; while read -r next; do
      [ -n "$prev" ] && printf '0x%x\n' $((0x$prev + (0x$next - 0x$prev) / 2))
      prev=$next
    done; } >"$work/middles"
# addr2line -a -i -f: the address, then function and file:line for each
# frame, innermost first. One line per address: address, innermost
# file:line, outermost function.
"$binutils-addr2line" -a -i -f -C -e "$exe" <"$work/middles" |
  awk '/^0x[0-9a-f]+$/ { if (a != "") print a "\t" loc "\t" fn; a = $0; n = 0; next }
       { n++; if (n % 2 == 1) fn = $0; else if (n == 2) loc = $0 }
       END { if (a != "") print a "\t" loc "\t" fn }' >"$work/dwarf"
# Our own routines: their innermost line lies in our sources. An object
# that came from the compiler cache names the folder of the clone that
# compiled it first, so a source counts as ours by its path inside a
# clone, found under this one.
while IFS=$'\t' read -r address location function; do
  file=${location%:*}
  case $file in /*) ;; *) continue ;; esac
  inside=$(realpath -m "$file" | sed -nE 's#.*/((app|engine|errors|fileio|platform|resources|tools)/.*)$#\1#p')
  [ -n "$inside" ] && [ -f "$src/$inside" ] || continue
  echo "$address"$'\t'"$(basename "$file")":"${location##*:}"$'\t'"$function"
done <"$work/dwarf" >"$work/ours"
total=$(wc -l <"$work/ours")
[ "$total" -ge 200 ] || fail "only $total of our routines found in $exe"
# About 200, spread over the whole program.
awk -v every=$((total / 200)) 'NR % every == 0' "$work/ours" | head -n 200 >"$work/sample"

# 32-bit Windows symbols carry a leading underscore, which addr2line takes
# off as the platform's prefix even from C++ names, and then leaves them
# mangled: each name is also compared with the underscore put back and
# demangled.
cut -f3 "$work/sample" | sed "s/^/_/" | c++filt >"$work/restored"
mapfile -t logical < <(while IFS=$'\t' read -r address _; do printf '%x\n' $((address - code_base)); done <"$work/sample")
"$lookup" "$rli" "${logical[@]}" >"$work/side"
compared=0
mismatches=0
while IFS=$'\t' read -r address location function && read -r side_line <&3 && read -r restored <&4; do
  # "<logical> <unit>.<routine> <source>:<line>"; the routine may hold spaces.
  side_location=${side_line##* }
  side_routine=${side_line#* }
  side_routine=${side_routine% *}
  side_routine=${side_routine#*.}
  compared=$((compared + 1))
  if [ "$side_location" != "$location" ] ||
     { [ "${function#"$side_routine"}" = "$function" ] && [ "${restored#"$side_routine"}" = "$restored" ]; }; then
    mismatches=$((mismatches + 1))
    echo "mismatch at $address: side file '$side_line', DWARF '$function' $location"
  fi
done <"$work/sample" 3<"$work/side" 4<"$work/restored"
echo "$compared addresses of $(basename "$exe") compared, $mismatches mismatches"
[ "$compared" -ge 200 ] || fail "only $compared addresses compared"
[ "$mismatches" = 0 ] || fail "$mismatches of $compared addresses differ"
echo PASS
