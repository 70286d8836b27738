# Sourced by the scripts: build folder, Wine prefix and a running wine server.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QV_BUILD_DIR:-$top/build}
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

qv_build() {
  "$top/scripts/setup.sh"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QV_CMAKE_ARGS:-} >/dev/null
  fi
  cmake --build "$build" -j"$(nproc)"
}

# One wine server for the whole run, so that each Windows process starts in milliseconds.
qv_start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the Wine prefix $WINEPREFIX"
    DISPLAY= wineboot -i >/dev/null 2>&1
    # A crashing test must fail at once, not wait behind a crash dialog for a person.
    "$build/wine-run.sh" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 || true
  fi
  # The server forks into the background itself; started here, before any test, so that parallel
  # tests never race to start it.
  wineserver -p </dev/null >/dev/null 2>&1 || true # already running is fine
  # The first program that loads user32 also starts Wine's desktop process, which keeps the standard
  # streams it was given: start it here, with streams that no test runner waits on.
  "$build/wine-run.sh" "$build/bin/qvhost.exe" --help </dev/null >/dev/null 2>&1 || true
}

qv_stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
