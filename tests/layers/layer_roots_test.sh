#!/usr/bin/env bash
# The compiler keeps each target to its layers: a probe that includes one
# header of a layer, spelled "layer/x.h" and <layer/x.h>, is preprocessed
# with a target's own include folders. The header of a layer the target may
# see must be found; the header of any other layer must not be found, however
# it is spelled. The probe sits outside the source tree, so nothing beside
# it can be found instead.
# Usage: layer_roots_test.sh <compiler> <repository> <visible layers> <hidden layers> -- <include folders...>
#   (layers comma-separated, e.g. "engine,fileio,resources,platform")
set -euo pipefail
compiler=$1
source_dir=$2
IFS=, read -ra visible <<<"$3"
IFS=, read -ra hidden <<<"$4"
[ "$5" = -- ] || {
  echo "usage: $0 <compiler> <repository> <visible> <hidden> -- <include folders...>" >&2
  exit 2
}
shift 5
flags=()
for folder in "$@"; do
  [ -n "$folder" ] && flags+=("-I$folder")
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A header of the layer that includes no system's own headers: one outside
# its win32/ and posix/ folders.
header_of() {
  local found
  found=$(find "$source_dir/$1" -name '*.h' -not -path '*/win32/*' -not -path '*/posix/*' | LC_ALL=C sort | head -n 1)
  [ -n "$found" ] || {
    echo "no header in $1/ outside its system folders" >&2
    exit 2
  }
  echo "${found#"$source_dir"/}"
}

failures=0
probe() { # layer, spelling ("" or <>), expectation (found or missing)
  local name line out outcome
  name=$(header_of "$1")
  if [ "$2" = '<>' ]; then line="#include <$name>"; else line="#include \"$name\""; fi
  printf '%s\n' "$line" >"$work/probe.cpp"
  if out=$("$compiler" -std=c++20 -E -o /dev/null "${flags[@]}" "$work/probe.cpp" 2>&1); then
    outcome=found
  elif grep -q "probe.cpp:1:[0-9]*: fatal error: $name: No such file or directory" <<<"$out"; then
    outcome=missing
  else
    echo "FAILED: $line did not preprocess for another reason:"
    echo "$out"
    failures=$((failures + 1))
    return
  fi
  if [ "$outcome" != "$3" ]; then
    echo "FAILED: $line is $outcome, but it must be $3"
    failures=$((failures + 1))
  else
    echo "$line: $outcome"
  fi
}

for layer in "${visible[@]}"; do
  probe "$layer" '""' found
done
for layer in "${hidden[@]}"; do
  probe "$layer" '""' missing
  probe "$layer" '<>' missing
done
[ $failures = 0 ]
