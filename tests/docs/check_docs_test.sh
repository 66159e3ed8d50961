#!/usr/bin/env bash
# The documents' checker (scripts/check-docs.sh) reports what it must. It
# runs on a small tree of its own: a README.md and docs/ that pass, and then
# copies of them each with one planted fault (a link to no file, an anchor
# to no heading, a cited test that no build has, a preset whose build is not
# configured), each of which must fail the check and be named.
# The cited tests come from a real, tiny CMake project configured into the
# tree's build/linux (add_test only, nothing built), read by the real ctest,
# as the checker reads the project's own builds.
# Usage: check_docs_test.sh <repository>
set -euo pipefail
check="$1/scripts/check-docs.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/project" "$work/good/docs/screenshots"
cat > "$work/project/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(tiny NONE)
enable_testing()
add_test(NAME cli_e2e_test COMMAND true)
add_test(NAME site_lock_test COMMAND true)
add_test(NAME site_plan_test COMMAND true)
EOF
cmake -G Ninja -S "$work/project" -B "$work/good/build/linux" > "$work/cmake.log" ||
  { cat "$work/cmake.log"; exit 1; }

good="$work/good"
touch "$good/docs/screenshots/prompt.png"
cat > "$good/README.md" <<'EOF'
# Tiny

![The prompt](docs/screenshots/prompt.png)

Read [the guide](docs/guide.md), [its second part](docs/guide.md#part-two-the-end),
[its repeated heading](docs/guide.md#notes-1), [this file's end](#read-next),
[the site](https://example.org/x#y) and [mail](mailto:a@example.org).
Inside code nothing is a link: `[x](docs/missing.md)`.

```sh
cat [x](docs/missing.md)     # nor in a fenced block
ctest --preset linux -R site_lock_test
```

## Read next

Tests: `ctest -R cli_e2e_test`, `-R site_plan_test`, `ctest --preset linux -R 'site_(lock|plan)'`
and one cut across lines (`ctest -R
cli_e2e_test`).
EOF
cat > "$good/docs/guide.md" <<'EOF'
# The guide

[Back to the README](../README.md)

## Notes

## Part two: the end!

## Notes
EOF

failures=0
if ! out=$(bash "$check" "$good" "$good/build" 2>&1); then
  echo "the good tree fails the check:"
  echo "$out"
  failures=1
fi

# what to append to docs/guide.md, a tab, what the message must name
cases=(
  $'[gone](missing.md)\tthere is no missing.md'
  $'[gone](../README.md#no-such-heading)\tREADME.md has no heading whose anchor is #no-such-heading'
  $'[cased](#Notes)\thas no heading whose anchor is #Notes'
  $'Run `ctest -R no_such_test`.\tno test matches \'no_such_test\' in any configured build'
  $'Run `ctest --preset linux -R \'site_(gone|lost)\'`.\tno test matches \'site_(gone|lost)\' in the build of preset linux'
  $'Run `ctest -R \'site_(\'`.\tis not a regular expression'
  $'Run `ctest --preset win64 -R cli_e2e_test`.\tconfigure it with cmake --preset win64'
)
for entry in "${cases[@]}"; do
  planted=${entry%%$'\t'*}
  expected=${entry#*$'\t'}
  rm -rf "$work/bad" && cp -r "$good" "$work/bad"
  printf '\n%s\n' "$planted" >> "$work/bad/docs/guide.md"
  if out=$(bash "$check" "$work/bad" "$work/bad/build" 2>&1); then
    echo "passes, but must fail: $planted"
    failures=1
  elif ! grep -qF -- "$expected" <<< "$out"; then
    echo "fails without naming the fault: $planted"
    echo "  expected: $expected"
    echo "  got: $out"
    failures=1
  fi
done

# No configured build at all: a citation without a preset is a fault too.
rm -rf "$good/build"
if out=$(bash "$check" "$good" "$good/build" 2>&1) || ! grep -qF 'no build is configured' <<< "$out"; then
  echo "with no configured build the check must fail and say so; got: $out"
  failures=1
fi
exit $failures
