# Sourced by the scripts: build folder, Wine prefix and a running wine server.
# Progress goes to standard error, so that standard output carries only what the job itself prints.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QV_BUILD_DIR:-$top/build}
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

qv_say() { echo "$*" >&2; }

# qv_build [TARGET...]: installs what is missing, configures once, builds the targets (all without any).
qv_build() {
  "$top/scripts/setup.sh"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    qv_say "configure: $build"
    cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QV_CMAKE_ARGS:-} >&2
  fi
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  qv_say "build: ${*:-everything} (the first build takes several minutes)"
  cmake --build "$build" -j"$(nproc)" "${targets[@]}" >&2
}

# Wine's programs as the wine64 package installs them (the "wine" package's PATH wrappers may be absent).
qv_wineserver() {
  local server=/usr/lib/wine/wineserver64
  [ -x "$server" ] || server=$(command -v wineserver64 || command -v wineserver)
  "$server" "$@"
}

# One wine server for the whole run, so that each Windows process starts in milliseconds.
qv_start_wine() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    qv_say "wine: creating the private prefix $WINEPREFIX (once, about a minute)"
    DISPLAY= "$build/wine-run.sh" wineboot -i >/dev/null 2>&1
    # A crashing test must fail at once, not wait behind a crash dialog for a person.
    "$build/wine-run.sh" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1
    # Windows' system fonts, from Debian's fonts-wine, which puts them where this Wine does not look (it
    # would draw every window in a wider fallback font): the symbol font of the caption buttons, Tahoma for
    # "MS Shell Dlg 2", and MS Sans Serif for "MS Shell Dlg", the font of the dialog templates (and here
    # of captions, menus and the pad). Windows gives that name Microsoft Sans Serif, which has MS Sans
    # Serif's widths, and the templates are laid out for it; this Wine would give it Tahoma, which is
    # wider. The bitmap font has the Western code page only: under a Western locale, Cyrillic and Central
    # European texts in it show as bars.
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/{marlett.ttf,tahoma.ttf,tahomabd.ttf,sserife.fon} "$fonts/"
    "$build/wine-run.sh" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v 'MS Shell Dlg' /t REG_SZ /d 'MS Sans Serif' /f >/dev/null 2>&1
    # The server writes the registry files when it ends, a few seconds after its last program.
    qv_wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { qv_say "wine: the prefix could not be created"; return 1; }
  fi
  [ -f "$fonts/sserife.fon" ] ||
    qv_say "wine: $WINEPREFIX was made without the dialogs' fonts; remove it to have it made anew"
  # The server forks into the background itself; started here, before any test, so that parallel
  # tests never race to start it. Its streams go to /dev/null so that it holds no caller's pipe.
  qv_wineserver -p </dev/null >/dev/null 2>&1 || true # already running is fine
}

# Wine ends its background programs (services, the desktop) once no Windows program runs, and the next
# program starts them again with its own standard streams: a test's output pipe then stays open until they
# end, and the test runner waits for them. A host that idles on an empty script for the whole run, with
# its streams on /dev/null, starts them once and keeps them.
wine_keeper_pid=
qv_keep_wine_up() {
  local fifo="$build/wine-keeper.fifo" out="$build/wine-keeper.out"
  rm -f "$fifo" "$out"
  mkfifo "$fifo"
  (cd "$build" && exec ./wine-run.sh bin/qvhost.exe --store wine-keeper.store - <"$fifo" >"$out" 2>&1) &
  sleep infinity >"$fifo" </dev/null 2>/dev/null &
  wine_keeper_pid=$!
  # Its answer to a first command shows that it runs, and with it Wine's background programs (bounded).
  # (Bounded: opening the pipe would wait for ever if the keeper had already ended.)
  timeout 10 bash -c 'echo classes >"$0"' "$fifo" || true
  for _ in $(seq 200); do
    grep -q '^ok' "$out" 2>/dev/null && return 0
    sleep 0.05
  done
  qv_say "wine: the keeper did not answer within 10 s"
}

qv_stop_wine() {
  [ -n "$wine_keeper_pid" ] && kill "$wine_keeper_pid" 2>/dev/null
  qv_wineserver -k >/dev/null 2>&1 || true
}
