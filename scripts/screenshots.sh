#!/usr/bin/env bash
# Writes pictures of the pad and the dialogs (English and German) into docs/. Each runs in a Wine virtual
# desktop, where Wine draws the windows' frames and captions itself, so the pictures show whole windows as a
# person sees them (plain Xvfb has no window manager to draw them). Fails when a picture cannot be made.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_build uishots
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:77
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X77 ] && break; sleep 0.05; done
fi
cleanup() { qv_stop_wine; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
qv_start_wine
mkdir -p "$top/docs"
failed=0
for language in "1033 en" "1031 de"; do
  set -- $language
  for picture in pad configuration shutter; do
    file="$top/docs/${picture}_$2.png"
    rm -f "$file"
    timeout 60 "$build/wine-run.sh" explorer /desktop=shots,800x600 "$build/bin/uishots.exe" \
      "Z:${top//\//\\}\\docs" "$1" "$2" "$picture" </dev/null >/dev/null 2>&1 || true
    if [ -s "$file" ]; then
      qv_say "wrote $file"
    else
      qv_say "FAILED: $file was not written"
      failed=1
    fi
  done
done
exit $failed
