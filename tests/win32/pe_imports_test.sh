#!/usr/bin/env bash
# The import walk the program hooks its imports with, over the program's
# own file mapped as data by the native zendrel-pe-imports: it must find
# exactly the imports binutils' objdump lists, among them those the hooks
# need. Needs no running, so it checks the 32-bit edition's program on a
# machine that cannot start it, too.
#   pe_imports_test.sh <program.exe> <zendrel-pe-imports> <binutils prefix>
set -euo pipefail
exe=$1 walk=$2 objdump=$3-objdump
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v "$objdump" >/dev/null || fail "$objdump is missing: run scripts/setup.sh"
[ -x "$walk" ] || fail "no $walk: build the linux preset first"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$walk" "$exe" >"$work/walk" || fail "zendrel-pe-imports failed on $exe"
sort "$work/walk" >"$work/walked"
# objdump -p: "DLL Name: X", then "vma hint name" lines ("<none>" for an
# import by ordinal) up to a blank line.
"$objdump" -p "$exe" >"$work/headers"
awk '/^\tDLL Name: / { dll = $3; next }
     dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9a-f]+$/ { print dll "!" ($3 == "<none>" ? "#" : $3); next }
     /^$/ { dll = "" }' "$work/headers" | sort >"$work/listed"
[ -s "$work/listed" ] || fail "objdump lists no imports of $exe"
diff "$work/listed" "$work/walked" >&2 || fail "the walk and objdump disagree on the imports of $exe"
for needed in RaiseException AddVectoredExceptionHandler; do
  grep -qix "kernel32.dll!$needed" "$work/walked" || fail "no KERNEL32.dll!$needed among the walked imports"
done
echo "$(wc -l <"$work/walked") imports of $(basename "$exe") walked as objdump lists them"
