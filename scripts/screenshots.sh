#!/usr/bin/env bash
# Writes pictures of the pad and the dialogs (English and German) into docs/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_build >/dev/null
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:77
  sleep 1
fi
cleanup() { qv_stop_wine; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
qv_start_wine
mkdir -p "$top/docs"
for language in "1033 en" "1031 de"; do
  for picture in pad configuration shutter; do
    set -- $language
    timeout 60 "$build/wine-run.sh" "$build/bin/uishots.exe" "Z:${top//\//\\}\\docs" "$1" "$2" "$picture" || true
  done
done
