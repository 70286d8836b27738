#!/usr/bin/env bash
# Builds everything and runs every test: the Windows suites under Wine (with an X display for the
# windows and dialogs) and the native ones.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_build
# The display comes first: Wine's desktop starts with the wine server and needs it from the start.
xvfb_pid= display_file=
if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and says which once it accepts clients, so that runs side by side
  # never race for one (bounded: 10 s).
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$display_file" ] && break; sleep 0.05; done
  [ -s "$display_file" ] || { qv_say "test: Xvfb did not start"; kill "$xvfb_pid" 2>/dev/null; exit 1; }
  export DISPLAY=:$(tr -d '[:space:]' <"$display_file")
fi
cleanup() {
  qv_stop_wine
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$display_file" ] && rm -f "$display_file"
  return 0
}
trap cleanup EXIT
qv_start_wine
qv_keep_wine_up
cd "$build"
qv_say "test: running the suites"
ctest -j"$(nproc)" --output-on-failure --timeout 300 "$@"
