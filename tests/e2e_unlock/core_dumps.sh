#!/bin/bash
# The programs that hold a password keep it out of core files: each is
# started with no core file limit (ulimit -c unlimited), caught while it
# holds or waits for the password, and sent SIGQUIT. While it runs its own
# limit must be 0 (/proc/<pid>/limits); when it is gone, no core file may be
# in its folder. A control (sleep) under the same start leaves a core file
# there whenever the system's core_pattern writes files, which shows the
# folder check can see one; with a piped core_pattern only the limit tells.
# Usage: core_dumps.sh <zendrel> <zendrel-unlock> <templates folder>
set -u
zendrel=$1
unlock=$2
templates=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
pattern=$(cat /proc/sys/kernel/core_pattern)

fail() {
  echo "FAIL: $*"
  failed=1
}

# Starts "$@" in a fresh folder with no core limit, its standard input on
# $input (/dev/null when unset); the folder is $run and the process $pid.
start() {
  run=$(mktemp -d "$work/run.XXXX")
  (cd "$run" && ulimit -c unlimited && exec "$@" < "${input:-/dev/null}") &
  pid=$!
}

# After `what` has run a while: its limit, then SIGQUIT and the folder.
check() {
  local what=$1 wanted_limit=$2
  sleep 0.5
  local limit
  limit=$(awk '/^Max core file size/ {print $5}' "/proc/$pid/limits" 2>/dev/null)
  [ "$limit" = "$wanted_limit" ] || fail "$what: core file limit '$limit' while running, not $wanted_limit"
  kill -QUIT "$pid"
  wait "$pid" 2>/dev/null
  cores=$(ls "$run" | grep -c '^core' || true)
}

# The control: a program that keeps its limit.
start sleep 30
check "sleep (the control)" unlimited
if [ "${pattern:0:1}" != "|" ] && [ "$cores" -eq 0 ]; then
  fail "the control left no core file though core_pattern is '$pattern'"
fi

# zendrel-unlock deriving a key from the password on its command line: a
# page whose count is the highest a reader takes keeps it deriving for
# seconds.
password="core-dump secret $$"
page="$work/page.html"
printf '<html><body>secret</body></html>' > "$work/source.html"
cp "$work/source.html" "$page"
ZENDREL_CORE_TEST="$password" "$zendrel" lock --template "$templates/Light" --password-env ZENDREL_CORE_TEST --quiet \
  "$page" "$work/backup.html" < /dev/null > /dev/null || fail "could not lock the page"
sed -i "s/'600000'/'10000000'/" "$page"
grep -q "'10000000'" "$page" || fail "the page has no strong block to slow down"
start "$unlock" "$page" "$run/out.html" "$password"
check zendrel-unlock 0
[ "$cores" -eq 0 ] || fail "zendrel-unlock left a core file: $(grep -l -r -a "$password" "$run" || echo 'without the password')"

# zendrel waiting for the password on standard input.
mkfifo "$work/password"
exec 3<> "$work/password"
input="$work/password" start "$zendrel" lock --template "$templates/Light" --password-stdin "$work/source.html" \
  "$work/source-backup.html"
check zendrel 0
[ "$cores" -eq 0 ] || fail "zendrel left a core file"
exec 3>&-

[ "$failed" -eq 0 ] && echo "no core file, core limit 0 while running (core_pattern '$pattern')"
exit "$failed"
