#!/usr/bin/env bash
# Every fuzz harness for a short fixed budget and every regression input:
# the part of fuzzing that runs on every test run. See scripts/fuzz.sh.
exec "$(dirname "$0")/fuzz.sh" --smoke
