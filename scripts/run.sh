#!/usr/bin/env bash
# The main job: builds, then runs the host application against the module (the simulator by default).
# Arguments are passed to qvhost.exe, which runs in the current folder (its default store is
# ./qvhost.store). With --unit first, the real device class drives a simulated unit (tavosim) on a COM
# port of the Wine prefix, with the NI-DAQmx stand-in (unless --daq-dir names another folder); the unit's
# serial transcript goes to a file named at the start (--transcript FILE after --unit, by default one in
# the build folder). With --control PORT COMMAND... a running simulated unit is steered from a second
# terminal (its front panel, faults; see sim/tavosim/README.md): each COMMAND is one control line, its reply
# is printed. Runs side by side share the build's Wine server; each stops only what it started.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

# The unit's control channel is a TCP line protocol on 127.0.0.1: bash's /dev/tcp needs no other tool.
control() {
  local port=$1 status=0 reply
  shift
  [ $# -gt 0 ] || { echo "run: --control PORT COMMAND... (e.g. --control 40123 'line 2')" >&2; return 2; }
  { exec 3<>"/dev/tcp/127.0.0.1/$port"; } 2>/dev/null || { echo "run: no simulated unit listens on port $port" >&2; return 1; }
  for command in "$@"; do
    printf '%s\n' "$command" >&3
    # Lines until the command's "ok" or "error ..."; bounded.
    while IFS= read -r -t 10 reply <&3; do
      reply=${reply%$'\r'}
      echo "$reply"
      [ "$reply" = ok ] && break
      [[ $reply == error* ]] && { status=1; break; }
    done
  done
  exec 3<&-
  return "$status"
}
if [ "${1:-}" = "--control" ]; then
  shift
  [ $# -gt 0 ] || { echo "run: --control PORT COMMAND..." >&2; exit 2; }
  control "$@"
  exit
fi

unit= transcript=
if [ "${1:-}" = "--unit" ]; then
  unit=1
  shift
  if [ "${1:-}" = "--transcript" ]; then
    [ $# -ge 2 ] || { echo "run: --transcript needs a file" >&2; exit 2; }
    transcript=$2
    shift 2
  fi
fi
# Only what the job runs: the module, the framework, qvhost, the unit simulator and the NI-DAQmx stand-ins.
qv_build qvhost w32_device_aomtavo native fakedaqmx_variants
qv_start_wine
# The prefix maps drive Z: to /, so build paths are given to Windows programs as Z:/...
qvhost=("$build/wine-run.sh" "$build/bin/qvhost.exe")
if [ -z "$unit" ]; then
  exec "${qvhost[@]}" "$@"
fi

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
cleanup() { stop_unit; rm -rf "$work"; }
trap cleanup EXIT
if [ -z "$transcript" ]; then
  mkdir -p "$build/transcripts"
  transcript=$build/transcripts/unit-$(date '+%Y%m%d-%H%M%S')-$$.txt
fi
: >"$transcript" || { echo "run: cannot write the transcript $transcript" >&2; exit 2; }
transcript=$(cd "$(dirname "$transcript")" && pwd)/$(basename "$transcript")
# A folder the caller gives with --daq-dir is the one qvhost searches (the last --daq-dir counts).
daq=("--daq-dir" "Z:$build/fakedaqmx/full") daq_shown="the stand-in in $build/fakedaqmx/full"
for ((i = 1; i <= $#; i++)); do
  if [ "${!i}" = --daq-dir ] && [ $i -lt $# ]; then
    next=$((i + 1))
    daq=() daq_shown="${!next} (--daq-dir)"
  fi
done

# The stand-in's board has an AOM and a power meter on each of the demo's lines, unless told otherwise.
export FAKEDAQMX_SCENARIO=${FAKEDAQMX_SCENARIO:-$top/sim/fakedaqmx/scenarios/aoms.txt}

"$build/native/tavosim" --link-com auto --wineprefix "$WINEPREFIX" --ready-file "$work/ready" \
  --transcript "$transcript" --max-seconds 3600 </dev/null >/dev/null &
tavosim_pid=$!
for _ in $(seq 100); do
  [ -s "$work/ready" ] && break
  kill -0 "$tavosim_pid" 2>/dev/null || break
  sleep 0.1
done
com=$(sed -n 's/^ready .* com=\([0-9]*\) .*/\1/p' "$work/ready" 2>/dev/null || true)
port=$(sed -n 's/^ready .* control=\([0-9]*\).*/\1/p' "$work/ready" 2>/dev/null || true)
if [ -z "$com" ]; then
  echo "run: the simulated unit did not start" >&2
  exit 1
fi
echo "Simulated unit (tavosim) ready on COM$com; NI-DAQmx from $daq_shown"
echo "The stand-in's board is $FAKEDAQMX_SCENARIO: with its AOMs 'calibrate LINE 11 --meter sim' calibrates a line"
echo "Its serial transcript goes to $transcript"
echo "Its control port is $port. From a second terminal: $0 --control $port 'line 2' presses line 2 on its" \
  "front panel, 'bino 1' engages the binocular shutter, 'fault hangup' pulls its cable and 'plug' plugs it" \
  "back in, 'fault silent' silences it and 'fault none' ends a fault."
status=0
"${qvhost[@]}" --class CQvAOMTAVO --com "$com" "${daq[@]}" "$@" || status=$?
stop_unit
echo "run: the unit's serial transcript ($(wc -l <"$transcript") lines) is in $transcript" >&2
exit "$status"
