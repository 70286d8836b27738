#!/usr/bin/env bash
# Sessions never end each other: a scripts/run.sh session with a simulated unit stays alive and answers while a
# second scripts/run.sh starts and ends beside it, and ends as it was told to. Every wait is bounded.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export QV_SKIP_BUILD=1
work=$(mktemp -d)
first_pid= keep_pid=
cleanup() {
  [ -n "$keep_pid" ] && kill "$keep_pid" 2>/dev/null
  [ -n "$first_pid" ] && kill "$first_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  for f in first.out first.err second.out second.err; do
    [ -f "$work/$f" ] && { echo "--- $f"; cat "$work/$f"; }
  done
  exit 1
}
# wait_for FILE TEXT SECONDS: until a line of FILE is TEXT.
wait_for() {
  for _ in $(seq $((${3} * 20))); do
    grep -qxF "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

mkfifo "$work/input"
(cd "$work" && exec "$top/scripts/run.sh" --unit --transcript "$work/transcript" --store "$work/first.store" - \
  <"$work/input" >"$work/first.out" 2>"$work/first.err") &
first_pid=$!
sleep infinity >"$work/input" &
keep_pid=$!
send() { timeout 10 bash -c 'printf "%s\n" "$1" >"$0"' "$work/input" "$1" || fail "the first session took no input"; }
send create
send connect
wait_for "$work/first.out" "state 3" 60 || fail "the first session did not connect"

(cd "$work" && timeout 120 "$top/scripts/run.sh" --store "$work/second.store" - <<<"classes" \
  >"$work/second.out" 2>"$work/second.err") || fail "the second session failed"
grep -qx "class CQvAOMTAVO" "$work/second.out" || fail "the second session did not run"

send state
wait_for "$work/first.out" "state 3 shutter -" 30 || fail "the first session no longer answers"
send quit
kill "$keep_pid"
keep_pid=
status=0
for _ in $(seq 300); do kill -0 "$first_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first_pid" 2>/dev/null && fail "the first session did not end within 30 s"
wait "$first_pid" || status=$?
first_pid=
[ "$status" = 0 ] || fail "the first session ended with exit code $status"
grep -q 'RX "rVER\\r"' "$work/transcript" || fail "the unit's transcript does not hold the connect"
grep -q "transcript .* is in $work/transcript" "$work/first.err" || fail "the transcript was not named"
echo "passed: the first session answered after the second ended, and ended as told"
