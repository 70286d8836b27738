#!/usr/bin/env bash
# Builds everything and runs every test: the Windows suites under Wine (with an X display for the
# windows and dialogs) and the native ones.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_build
# The display comes first: Wine's desktop starts with the wine server and needs it from the start.
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:$n
    break
  done
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X${DISPLAY#:} ] && break; sleep 0.05; done
fi
cleanup() { qv_stop_wine; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
qv_start_wine
qv_keep_wine_up
cd "$build"
qv_say "test: running the suites"
ctest -j"$(nproc)" --output-on-failure --timeout 300 "$@"
