# Sourced by the scripts: build folder, Wine prefix and a running wine server.
# Progress goes to standard error, so that standard output carries only what the job itself prints.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QV_BUILD_DIR:-$top/build}
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

qv_say() { echo "$*" >&2; }

# qv_build [TARGET...]: installs what is missing, configures once, builds the targets (all without any).
# QV_SKIP_BUILD=1 takes the build as it is (the tests that run the scripts from a finished build).
qv_build() {
  [ "${QV_SKIP_BUILD:-}" = 1 ] && return 0
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

# The prefix's wine server, shared by every script and test run that uses this build: started here when
# none runs, and never stopped by a script. Stopping it would end every Windows program of the prefix, those
# of another run beside this one too (a second scripts/run.sh ended the first one's session that way); it
# ends by itself instead, a minute after the prefix's last Windows program.
qv_start_wine() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$build"
  # Two first runs at once must not both make the prefix.
  exec {lock}>"$build/wineprefix.lock"
  flock "$lock"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    qv_say "wine: creating the private prefix $WINEPREFIX (once, about a minute)"
    qv_make_prefix "$build/wine-run.sh" || { flock -u "$lock"; exec {lock}>&-; return 1; }
  fi
  # The server forks into the background itself; started here, before any test, so that parallel tests
  # never race to start it. Its streams go to /dev/null so that it holds no caller's pipe.
  qv_wineserver -p60 </dev/null >/dev/null 2>&1 || true # already running is fine
  flock -u "$lock"
  exec {lock}>&-
  [ -f "$fonts/sserife.fon" ] ||
    qv_say "wine: $WINEPREFIX was made without the dialogs' fonts; remove it to have it made anew"
}

# qv_make_prefix LAUNCHER: makes the prefix $WINEPREFIX names with the dialogs' fonts; the launcher runs a
# Windows program in it (build/wine-run.sh, or Wine itself for a prefix of its own).
qv_make_prefix() {
  local run=$1 fonts=$WINEPREFIX/drive_c/windows/Fonts
  DISPLAY= "$run" wineboot -i >/dev/null 2>&1
  # A crashing test must fail at once, not wait behind a crash dialog for a person.
  "$run" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Windows' system fonts, from Debian's fonts-wine, which puts them where this Wine does not look (it
  # would draw every window in a wider fallback font): the symbol font of the caption buttons, Tahoma for
  # "MS Shell Dlg 2", and MS Sans Serif for "MS Shell Dlg", the font of the dialog templates (and here
  # of captions, menus and the pad). Windows gives that name Microsoft Sans Serif, which has MS Sans
  # Serif's widths, and the templates are laid out for it; this Wine would give it Tahoma, which is
  # wider. The bitmap font has the Western code page only: under a Western locale, Cyrillic and Central
  # European texts in it show as bars.
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/{marlett.ttf,tahoma.ttf,tahomabd.ttf,sserife.fon} "$fonts/"
  "$run" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'MS Shell Dlg' /t REG_SZ /d 'MS Sans Serif' /f >/dev/null 2>&1
  # The server writes the registry files when it ends, a few seconds after its last program.
  qv_wineserver -w
  [ -f "$WINEPREFIX/system.reg" ] || { qv_say "wine: the prefix $WINEPREFIX could not be created"; return 1; }
}

# Wine ends its background programs (services, the desktop) once no Windows program runs, and the next
# program starts them again with its own standard streams: a test's output pipe then stays open until they
# end, and the test runner waits for them. A host that idles on an empty script for the whole run, with
# its streams on /dev/null, starts them once and keeps them. Each run has its own, in a folder of its own.
wine_keeper_pid=
wine_keeper_dir=
qv_keep_wine_up() {
  wine_keeper_dir=$(mktemp -d "$build/wine-keeper.XXXXXX")
  local fifo="$wine_keeper_dir/fifo" out="$wine_keeper_dir/out"
  mkfifo "$fifo"
  (cd "$wine_keeper_dir" && exec "$build/wine-run.sh" "$build/bin/qvhost.exe" --store keeper.store - \
    <"$fifo" >"$out" 2>&1) &
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

# Stops what this run started: its keeper (ending its input ends it), not the shared server.
qv_stop_wine() {
  [ -n "$wine_keeper_pid" ] && kill "$wine_keeper_pid" 2>/dev/null
  [ -n "$wine_keeper_dir" ] && rm -rf "$wine_keeper_dir"
  return 0
}
