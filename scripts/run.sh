#!/usr/bin/env bash
# The main job: builds, then runs the host application against the module (the simulator by default).
# Arguments are passed to qvhost.exe. With --unit first, the real device class drives a simulated unit
# (tavosim) on a COM port of the Wine prefix, with the NI-DAQmx stand-in; the unit's serial transcript is
# printed afterwards.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
unit=
if [ "${1:-}" = "--unit" ]; then
  unit=1
  shift
fi
# Only what the job runs: the module, the framework, qvhost, the unit simulator and the NI-DAQmx stand-ins.
qv_build qvhost w32_device_aomtavo native fakedaqmx_variants
qv_start_wine
work=$(mktemp -d)
tavosim_pid=
stop_unit() {
  # Bounded: a unit that ignores SIGTERM for 5 s is killed.
  if [ -n "$tavosim_pid" ] && kill -0 "$tavosim_pid" 2>/dev/null; then
    kill "$tavosim_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$tavosim_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$tavosim_pid" 2>/dev/null || true
  fi
}
cleanup() { stop_unit; qv_stop_wine; rm -rf "$work"; }
trap cleanup EXIT
cd "$build/bin"
if [ -z "$unit" ]; then
  "$build/wine-run.sh" qvhost.exe "$@"
  exit
fi

"$build/native/tavosim" --link-com auto --wineprefix "$WINEPREFIX" --ready-file "$work/ready" \
  --transcript "$work/transcript" --max-seconds 600 </dev/null >/dev/null &
tavosim_pid=$!
for _ in $(seq 100); do
  [ -s "$work/ready" ] && break
  kill -0 "$tavosim_pid" 2>/dev/null || break
  sleep 0.1
done
com=$(sed -n 's/^ready .* com=\([0-9]*\) .*/\1/p' "$work/ready" 2>/dev/null || true)
if [ -z "$com" ]; then
  echo "run: the simulated unit did not start" >&2
  exit 1
fi
echo "Simulated unit (tavosim) ready on COM$com; NI-DAQmx stand-in from $build/fakedaqmx/full"
status=0
"$build/wine-run.sh" qvhost.exe --class CQvAOMTAVO --com "$com" --daq-dir ../fakedaqmx/full "$@" || status=$?
stop_unit
echo
echo "Serial transcript of the unit (seconds since its start, direction, bytes):"
cat "$work/transcript"
exit "$status"
