#!/usr/bin/env bash
# Checks the documents, README.md and docs/*.md, and fails on any fault:
#   (a) every relative link and picture, [text](path) or ![text](path), leads
#       to a file that exists; one with #anchor leads to a heading of that
#       Markdown file whose GitHub anchor is the anchor (lowercase, blanks to
#       "-", punctuation but "-" and "_" dropped, "-1", "-2"... for repeats).
#       http(s) and mailto links, and anything inside `code`, are not checked;
#   (b) every test a document cites as `ctest ... -R REGEX` (or a lone
#       `-R REGEX` beside it) matches a test of the build the command names:
#       --preset NAME is the build folder <build root>/NAME, which must be
#       configured; without a preset, any configured build under the build
#       root. The tests are those `ctest --test-dir <build> -N` lists.
# Usage: check-docs.sh [repository [build root]]
#   repository: this one by default; build root: $ZENDREL_DOCS_BUILD_ROOT,
#   else <repository>/build. scripts/test-all.sh runs it once every preset is
#   configured (configuring is enough: nothing needs to be built).
set -euo pipefail
export LC_ALL=C.UTF-8
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
build_root=${2:-${ZENDREL_DOCS_BUILD_ROOT:-$root/build}}
faults=0
fault() { echo "check-docs: $*" >&2; faults=$((faults + 1)); }

# A Markdown file without its fenced code blocks.
unfenced() { awk '/^[ \t]*```/ { fenced = !fenced; next } !fenced' "$1"; }

# The anchors of a Markdown file's headings, one a line.
anchors() {
  unfenced "$1" | grep -E '^#{1,6} ' | sed -E 's/^#+ +//; s/ +#* *$//; s/.*/\L&/' |
    sed -E 's/[^[:alnum:] _-]//g; s/ /-/g' | awk '{ n = seen[$0]++; print (n ? $0 "-" n : $0) }'
}

# The link targets of a Markdown file, inline code left out.
# shellcheck disable=SC2016  # the backquotes are the text's own
links() { unfenced "$1" | sed 's/`[^`]*`//g' | grep -oE '\]\([^)[:space:]]+\)' | sed -E 's/^..//; s/.$//' || true; }

# The ctest commands a Markdown file cites with -R: each code span (joined
# across line breaks) and each line of a fenced block that has one.
citations() {
  awk '/^[ \t]*```/ { fenced = !fenced; next }
       fenced { print; next }
       { text = text " " $0 }
       END { n = split(text, part, "`"); for (i = 2; i <= n; i += 2) print part[i] }' "$1" |
    grep -E '^ *(ctest .*)?-R ' || true
}

# The tests of a configured build folder, one name a line.
tests_of() { ctest --test-dir "$1" -N | sed -nE 's/^ *Test +#[0-9]+: (.+)$/\1/p'; }

declare -A listed   # build folder -> its tests
tests_in() {        # the tests of the build a citation names ("" for any)
  local preset=$1 dir
  if [[ -n $preset ]]; then
    dir=$build_root/$preset
    [[ -f $dir/CTestTestfile.cmake ]] || return 1
    [[ -v listed[$dir] ]] || listed[$dir]=$(tests_of "$dir")
    echo "${listed[$dir]}"
    return
  fi
  local any=1
  for dir in "$build_root"/*/; do
    dir=${dir%/}
    [[ -f $dir/CTestTestfile.cmake ]] || continue
    [[ -v listed[$dir] ]] || listed[$dir]=$(tests_of "$dir")
    echo "${listed[$dir]}"
    any=0
  done
  return $any
}

check_citation() {  # <document> <the command>
  local doc=$1 command=$2 preset='' regex='' words i
  read -ra words <<< "$command"
  for ((i = 0; i < ${#words[@]}; i++)); do
    case ${words[i]} in
      --preset) preset=${words[i + 1]:-} ;;
      --preset=*) preset=${words[i]#--preset=} ;;
      -R) regex=${words[i + 1]:-} ;;
    esac
  done
  regex=${regex#[\'\"]}; regex=${regex%[\'\"]}
  [[ -n $regex ]] || { fault "$doc: \`$command\` names no test after -R"; return; }
  local tests
  if ! tests=$(tests_in "$preset"); then
    if [[ -n $preset ]]; then
      fault "$doc: \`$command\`: the build of preset $preset ($build_root/$preset) is not configured; configure it with cmake --preset $preset"
    else
      fault "$doc: \`$command\`: no build is configured under $build_root; configure one with cmake --preset linux"
    fi
    return
  fi
  local where="any configured build under $build_root"
  [[ -z $preset ]] || where="the build of preset $preset"
  local found=0
  grep -qE -- "$regex" <<< "$tests" 2> /dev/null || found=$?
  case $found in
    0) ;;
    1) fault "$doc: \`$command\`: no test matches '$regex' in $where" ;;
    *) fault "$doc: \`$command\`: '$regex' is not a regular expression" ;;
  esac
}

for doc in "$root/README.md" "$root"/docs/*.md; do
  [[ -f $doc ]] || continue
  name=${doc#"$root"/}
  while read -r target; do
    case $target in http://* | https://* | mailto:*) continue ;; esac
    path=${target%%#*}
    file=$doc
    [[ -z $path ]] || file=$(dirname "$doc")/$path
    if [[ ! -e $file ]]; then
      fault "$name: link ($target): there is no $path"
    elif [[ $target == *'#'* ]]; then
      anchor=${target#*#}
      if [[ $file != *.md ]] || ! anchors "$file" | grep -qxF -- "$anchor"; then
        fault "$name: link ($target): ${path:-$name} has no heading whose anchor is #$anchor"
      fi
    fi
  done < <(links "$doc")
  while read -r command; do
    check_citation "$name" "$command"
  done < <(citations "$doc")
done

if ((faults)); then
  echo "check-docs: $faults fault(s) in README.md and docs/*.md" >&2
  exit 1
fi
echo "check-docs: every link, anchor and cited test of README.md and docs/*.md is there"
