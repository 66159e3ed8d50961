#!/usr/bin/env bash
# The side file of a real Windows program against the program's own DWARF
# lines, read by binutils' addr2line: no running needed, so it checks the
# 32-bit edition's zendrel.exe on a machine that cannot start it, too.
# Two samples of addresses inside our own routines, each looked up in the
# side file (read by the native zendrel-rli-lookup), which must name the
# same source file and line as addr2line's innermost frame, and a routine
# whose name begins the outermost frame's (the side file keeps the routine
# an inlined line belongs to, its name cut at 255 characters):
#  - about 200 routines, one address in the middle of each;
#  - every sequence of the DWARF line table (the code of one section of a
#    unit: a unit's own code, or one routine defined in a header that the
#    linker keeps once for all units), at its first byte, its middle and
#    its last byte, wherever addr2line places that byte in our sources. The
#    routines defined in our headers are among them (at least 20 of their
#    addresses must be): each lies alone between other units' code, and the
#    side file once gave the last byte of such a unit no line.
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

# ours <addresses> <output>: for each address (0x..., one a line) whose
# innermost line lies in our sources, one line: address, innermost
# file:line (base name), outermost function. addr2line -a -i -f gives the
# address, then function and file:line for each frame, innermost first.
# An object that came from the compiler cache names the folder of the
# clone that compiled it first, so a source counts as ours by its path
# inside a clone, found under this one.
ours() {
  "$binutils-addr2line" -a -i -f -C -e "$exe" <"$1" |
    awk '/^0x[0-9a-f]+$/ { if (a != "") print a "\t" loc "\t" fn; a = $0; n = 0; next }
         { n++; if (n % 2 == 1) fn = $0; else if (n == 2) loc = $0 }
         END { if (a != "") print a "\t" loc "\t" fn }' |
    awk -F'\t' '$2 ~ /^\// { sub(/ \(discriminator [0-9]+\)$/, "", $2); print }' OFS='\t' >"$work/located"
  local files=()
  mapfile -t files < <(cut -f2 "$work/located" | sed 's/:[^:]*$//')
  : >"$2"
  [ ${#files[@]} -gt 0 ] || return 0
  realpath -m -- "${files[@]}" |
    sed -E 's#.*/((app|engine|errors|fileio|platform|resources|tools)/.*)$#\1#; t; s#.*##' >"$work/inside"
  local address location function inside file
  while IFS=$'\t' read -r address location function && read -r inside <&3; do
    [ -n "$inside" ] && [ -f "$src/$inside" ] || continue
    file=${location%:*}
    echo "$address"$'\t'"${file##*/}":"${location##*:}"$'\t'"$function"
  done <"$work/located" 3<"$work/inside" >"$2"
}

# compare <sample> <what>: looks the sample up in the side file; counts
# into `compared` and `mismatches`, and says what differs.
compared=0
mismatches=0
compare() {
  # 32-bit Windows symbols carry a leading underscore, which addr2line takes
  # off as the platform's prefix even from C++ names, and then leaves them
  # mangled: each name is also compared with the underscore put back and
  # demangled.
  cut -f3 "$1" | sed "s/^/_/" | c++filt >"$work/restored"
  local logical=()
  mapfile -t logical < <(while IFS=$'\t' read -r address _; do printf '%x\n' $((address - code_base)); done <"$1")
  [ ${#logical[@]} -gt 0 ] || return 0
  "$lookup" "$rli" "${logical[@]}" >"$work/side"
  local address location function side_line restored side_location side_routine count=0 differ=0
  while IFS=$'\t' read -r address location function && read -r side_line <&3 && read -r restored <&4; do
    # "<logical> <unit>.<routine> <source>:<line>"; the routine may hold spaces.
    side_location=${side_line##* }
    side_routine=${side_line#* }
    side_routine=${side_routine% *}
    side_routine=${side_routine#*.}
    count=$((count + 1))
    if [ "$side_location" != "$location" ] ||
       { [ "${function#"$side_routine"}" = "$function" ] && [ "${restored#"$side_routine"}" = "$restored" ]; }; then
      differ=$((differ + 1))
      echo "mismatch at $address ($2): side file '$side_line', DWARF '$function' $location"
    fi
  done <"$1" 3<"$work/side" 4<"$work/restored"
  echo "$count addresses of $(basename "$exe") ($2) compared, $differ mismatches"
  compared=$((compared + count))
  mismatches=$((mismatches + differ))
}

# The middle of each routine: halfway to the next code symbol.
"$binutils-nm" --defined-only -n "$exe" | awk '$2 ~ /^[tT]$/ && $3 !~ /^\./ {print $1}' | uniq |
  { prev=; while read -r next; do
      [ -n "$prev" ] && printf '0x%x\n' $((0x$prev + (0x$next - 0x$prev) / 2))
      prev=$next
    done; } >"$work/middles"
ours "$work/middles" "$work/ours"
total=$(wc -l <"$work/ours")
[ "$total" -ge 200 ] || fail "only $total of our routines found in $exe"
# About 200, spread over the whole program.
awk -v every=$((total / 200)) 'NR % every == 0' "$work/ours" | head -n 200 >"$work/sample"
compare "$work/sample" "routine middles"
[ "$compared" -ge 200 ] || fail "only $compared addresses compared"

# The line table's sequences as objdump decodes them: rows of file, line and
# address; a sequence ends on a row whose line is "-" at its end address.
# Copies of inline routines that the linker discarded lie below the code
# base. First byte, middle and last byte of each.
"$binutils-objdump" --dwarf=decodedline "$exe" |
  awk '{ for (i = 2; i <= NF; i++) if ($i ~ /^0x[0-9a-f]+$/) break
         if (i > NF) next
         if (start == "") start = $i
         if ($(i - 1) == "-") { print start, $i; start = "" } }' |
  while read -r start end; do
    [ $((start)) -ge "$code_base" ] && [ $((end)) -gt $((start)) ] || continue
    printf '0x%x\n0x%x\n0x%x\n' $((start)) $((start + (end - start) / 2)) $((end - 1))
  done | sort -u >"$work/sequence_bytes"
ours "$work/sequence_bytes" "$work/sequences"
headers=$(awk -F'\t' '$2 ~ /\.h:[0-9]+$/' "$work/sequences" | wc -l)
echo "$headers of the sequences' addresses lie in our headers"
[ "$headers" -ge 20 ] || fail "only $headers addresses of routines defined in our headers found in $exe"
compare "$work/sequences" "sequence edges"

[ "$mismatches" = 0 ] || fail "$mismatches of $compared addresses differ"
echo PASS
