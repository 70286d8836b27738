#!/usr/bin/env bash
# Writes the documentation's pictures (English and German) into docs/: the host window with the pad docked
# from a fresh store and after a configuration, the pad, and the line configuration, shutter and calibration
# dialogs.
# Each language runs in a Wine virtual desktop, where Wine draws the windows' frames and captions itself,
# so the pictures show whole windows as a person sees them (plain Xvfb has no window manager to draw
# them). Fails when a picture cannot be made.
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
mkdir -p "$top/docs" "$build/shots"
failed=0
for language in "1033 en" "1031 de"; do
  set -- $language
  pictures=(host_fresh pad_fresh configuration host pad shutter calibration)
  for picture in "${pictures[@]}"; do rm -f "$top/docs/${picture}_$2.png"; done
  store="$build/shots/$2.store"
  rm -f "$store" "$store.new"
  # The virtual desktop does not pass the program's exit code on: its report says what failed.
  (cd "$build/bin" && timeout 120 ../wine-run.sh explorer /desktop=shots,1024x768 uishots.exe \
    "Z:${top//\//\\}\\docs" "$2" --store "Z:${store//\//\\}" --language "$1" </dev/null) \
    >"$build/shots/$2.txt" 2>&1 || true
  sed 's/\r$//' "$build/shots/$2.txt" >&2
  grep -q '^FAILED' "$build/shots/$2.txt" && failed=1
  for picture in "${pictures[@]}"; do
    [ -s "$top/docs/${picture}_$2.png" ] || { qv_say "FAILED: docs/${picture}_$2.png was not written"; failed=1; }
  done
done
exit $failed
