#!/usr/bin/env bash
# The layer check fails where it must: bad includes are planted into a copy
# of the layers, and scripts/check-layers.sh must fail and name each planted
# file; the good ones planted beside them must pass. The copy itself must
# pass first, so a failure is the planted lines'.
# Usage: check_layers_test.sh <repository>
set -euo pipefail
source_dir=$1
check="$source_dir/scripts/check-layers.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for folder in platform resources fileio engine errors app tools; do
  cp -rL "$source_dir/$folder" "$work/"
done
# The generated headers' names come from the build files.
cp "$source_dir/CMakeLists.txt" "$work/"
cp -rL "$source_dir/cmake" "$work/"

if ! out=$(bash "$check" "$work" 2>&1); then
  echo "the unchanged copy fails the check:"
  echo "$out"
  exit 1
fi

# file | line planted | fails or passes
cases=(
  'engine/planted.cpp|#include "app/window/program.h"|fails'
  'engine/planted.cpp|#include <app/window/program.h>|fails'
  'engine/planted.h|#  include   "errors/error_log.h"|fails'
  'engine/planted.cpp|#include"app/window/program.h"|fails'
  'fileio/planted.cpp|#include "engine/format/base64.h"|fails'
  'platform/planted.cpp|#include <resources/message_table.h>|fails'
  'errors/planted.cpp|#include "app/window/program.h"|fails'
  'tools/planted.cpp|#include "app/window/program.h"|fails'
  'engine/planted.cpp|#define UPWARD "app/window/program.h"\n#include UPWARD|fails'
  'engine/planted.cpp|#include ZENDREL_HEADER(program)|fails'
  'engine/planted.cpp|#include "../app/program.h"|fails'
  'engine/planted.cpp|#include "engine/../app/program.h"|fails'
  'app/window/win32/planted.cpp|#include "../../../engine/format/base64.h"|fails'
  'engine/planted.cpp|#include "/usr/include/unistd.h"|fails'
  'engine/planted.cpp|#include_next <string>|fails'
  'engine/planted.cpp|#include <engine/format/base64.h>|fails'
  'engine/planted.cpp|#include <windows.h>|fails'
  'engine/planted.cpp|#include "windows.h"|fails'
  'engine/planted.cpp|#include <unistd.h>|fails'
  'engine/planted.cpp|#include <sys/stat.h>|fails'
  'engine/planted.cpp|#include "sys/types.h"|fails'
  'fileio/planted.cpp|#include <fcntl.h>|fails'
  'resources/planted.cpp|#include <pthread.h>|fails'
  'engine/planted.cpp|#include <dlfcn.h>|fails'
  'app/planted.cpp|#include <io.h>|fails'
  'app/planted.cpp|#include <direct.h>|fails'
  'errors/planted.cpp|#include <unistd.h>|fails'
  'engine/planted.cpp|#include <openssl/evp.h>|fails'
  'app/planted.cpp|#include <windows.h>|fails'
  'engine/planted.cpp|#include "engine/format/base64.h"|passes'
  'engine/planted.cpp|#include "platform/platform.h"|passes'
  'engine/planted.cpp|#include <vector>|passes'
  'app/planted.cpp|#include "engine/lock_page.h"|passes'
  'app/terminal/planted.cpp|#include "engine/site/site_plan.h"|fails'
  'app/window/win32/planted.h|#include "engine/format/strong/strong_keys.h"|fails'
  'platform/posix/planted.cpp|#include <unistd.h>|passes'
  'platform/win32/planted.cpp|#include <windows.h>|passes'
  'errors/posix/planted.cpp|#include <sys/stat.h>|passes'
  'errors/win32/planted.cpp|#include <windows.h>|passes'
  'app/window/win32/planted.cpp|#include <windows.h>|passes'
  'app/common/posix/planted.cpp|#include <unistd.h>|passes'
  'tools/planted.cpp|#include <libdwarf/libdwarf.h>|passes'
)

# Every case is planted at once, each in a file of its own (planted_<n>):
# the check must name each file planted to fail it, and none of the others.
failures=0
n=0
planted=()
for entry in "${cases[@]}"; do
  IFS='|' read -r file text expected <<<"$entry"
  n=$((n + 1))
  file="${file%/*}/planted_$n.${file##*.}"
  mkdir -p "$work/${file%/*}"
  printf '%b\n' "$text" >"$work/$file"
  planted+=("$file|$text|$expected")
done
if out=$(bash "$check" "$work" 2>&1); then
  echo "FAILED: the check passes with every bad include planted:"
  echo "$out"
  exit 1
fi
for entry in "${planted[@]}"; do
  IFS='|' read -r file text expected <<<"$entry"
  if grep -q "^$file:[0-9]*: " <<<"$out"; then outcome=fails; else outcome=passes; fi
  if [ "$outcome" != "$expected" ]; then
    echo "FAILED: $file with '$text' $outcome the check, but it $expected it"
    failures=$((failures + 1))
  fi
done
if [ $failures != 0 ]; then
  echo "what the check said:"
  echo "$out"
fi
echo "${#cases[@]} planted includes, $failures wrongly judged"
[ $failures = 0 ]
