#!/usr/bin/env bash
# The commissioning bundle works from its own files alone: unpacked into a Wine prefix that holds nothing of
# the build, with the NI-DAQmx stand-in where NI's installer puts nicaiu.dll (the system folder), qvhost.exe
# finds a simulated unit with --scan and drives it with a connect and a configuration.
#
# The prefix is a copy of the build's, not a fresh one (which takes a minute to make): the build never puts
# anything of its own in its prefix, only Windows' fonts and two registry values a Windows PC has too, and
# the copy's COM links (those of units of tests running meanwhile) are removed. Its own wine server is
# stopped at the end: it served this copy alone.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${QV_BUILD_DIR:-$top/build}
work=$(mktemp -d)
unit_pid=
prefix=$work/prefix
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=$(command -v wineserver64 || command -v wineserver)
# As build/wine-run.sh runs a program, in the copy: a launcher of its own, so that timeout can run it.
launcher=$work/wine-run.sh
cat >"$launcher" <<LAUNCHER
#!/usr/bin/env bash
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if setarch -R true 2>/dev/null; then exec setarch -R "$wine" "\$@"; fi
exec "$wine" "\$@"
LAUNCHER
chmod +x "$launcher"
cleanup() {
  [ -n "$unit_pid" ] && kill "$unit_pid" 2>/dev/null
  [ -d "$prefix" ] && WINEPREFIX=$prefix "$server" -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  for f in scan.out connect.out; do [ -f "$work/$f" ] && { echo "--- $f"; cat "$work/$f"; }; done
  exit 1
}

zip=$(QV_SKIP_BUILD=1 QV_BUILD_DIR=$build "$top/scripts/package.sh" "$work/kit.zip" 2>/dev/null) || fail "no zip"
(cd "$work" && unzip -q "$zip") || fail "the zip does not unpack"
kit=$work/aomtavo-commissioning
for f in qvhost.exe qvframework.dll w32_device_aomtavo.dll README.txt docs/qvhost.md docs/windows.md; do
  [ -s "$kit/$f" ] || fail "the zip lacks $f"
done

cp -a "$build/wineprefix" "$prefix"
rm -f "$prefix"/dosdevices/com*
[ ! -e "$prefix/drive_c/windows/system32/nicaiu.dll" ] || fail "the build's prefix holds a nicaiu.dll"
cp "$build/fakedaqmx/full/nicaiu.dll" "$prefix/drive_c/windows/system32/nicaiu.dll"

"$build/native/tavosim" --link-com auto --wineprefix "$prefix" --ready-file "$work/ready" --max-seconds 240 \
  </dev/null >/dev/null &
unit_pid=$!
for _ in $(seq 100); do [ -s "$work/ready" ] && break; sleep 0.1; done
com=$(sed -n 's/^ready .* com=\([0-9]*\) .*/\1/p' "$work/ready" 2>/dev/null || true)
[ -n "$com" ] || fail "the simulated unit did not start"

# No --daq-dir, no --module: the library from the system folder, everything else beside qvhost.exe.
(cd "$kit" && timeout 120 "$launcher" ./qvhost.exe --scan </dev/null >"$work/scan.out" 2>&1) || fail "--scan failed"
grep -qx "port COM$com: free; the unit answered \"TAVO 2.01\"" "$work/scan.out" || fail "the scan found no unit"
grep -qix 'nidaqmx: C:\\windows\\system32\\nicaiu.dll, version 8.9' "$work/scan.out" ||
  fail "the library was not the system folder's"
configure=$(sed -n 's/^suggestion: \(configure .*\)$/\1/p' "$work/scan.out")
[ -n "$configure" ] || fail "no configuration was suggested"

printf 'create\nconnect m_iCOMPort=%s;\n%s\npower 0 50\nvoltages\n' "$com" "$configure" |
  (cd "$kit" && timeout 120 "$launcher" ./qvhost.exe --class CQvAOMTAVO >"$work/connect.out" 2>&1 -) ||
  fail "the session failed"
grep -qx "result 0 state 2" "$work/connect.out" || fail "the device was not configured"
grep -qx "channel Dev1/ao0 volts 2.500" "$work/connect.out" || fail "the AOM did not get its voltage"
[ -f "$kit/qvhost.store" ] || fail "the store is not beside the kit"
echo "passed: the unpacked kit scanned and drove the unit from a prefix of its own"
