#!/usr/bin/env bash
# The commissioning bundle for the lab's Windows PC: qvhost.exe, its framework DLL and the module DLL (their
# C and C++ runtimes linked in, debug information stripped), a short README.txt, and the qvhost and Windows
# pages with their pictures and the configuration text's page, in one zip whose files unpack into one folder.
#   scripts/package.sh [ZIP]    default build/package/aomtavo-commissioning.zip; prints the zip's path
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_build qvhost w32_device_aomtavo
out=${1:-$build/package/aomtavo-commissioning.zip}
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder=$stage/aomtavo-commissioning
mkdir -p "$folder/docs"
for f in qvhost.exe qvframework.dll w32_device_aomtavo.dll; do
  x86_64-w64-mingw32-strip -o "$folder/$f" "$build/bin/$f"
done
cp "$top/docs/qvhost.md" "$top/docs/windows.md" "$top/docs/configuration.md" "$folder/docs/"
for picture in $(grep -oh '([a-z_]*\.png)' "$top/docs/qvhost.md" "$top/docs/windows.md" | tr -d '()' | sort -u); do
  cp "$top/docs/$picture" "$folder/docs/"
done
commit=$(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo unknown)
# CR LF: Notepad on older Windows shows a file of bare line feeds as one line.
sed 's/$/\r/' >"$folder/README.txt" <<TEXT
Orvia TAVO and AOM: commissioning kit (qvhost), built from commit $commit

qvhost drives the laser unit as the imaging host does: a TAVO controller on a COM port and one AOM per
line on an analog output of an NI-DAQmx board. Bring a unit up with it before the imaging host is
involved. Keep the three program files together in one folder.

Install first
  1. NI-DAQmx 8.9.5 or later, with NI MAX. Its installer puts nicaiu.dll in C:\Windows\System32, where
     qvhost and the device look for it. NI MAX should list the board.
  2. The driver of the USB serial adapter, if the controller hangs on one. The Device Manager shows the
     COM port under "Ports (COM & LPT)".
  Nothing else: the C and C++ runtimes are linked into the programs.

The first three commands, in a command prompt in this folder
  1. qvhost.exe --scan
     Finds the COM port where the unit answers and lists the NI boards with each channel's iIndex, then
     suggests a connect text and a configuration text to start from.
  2. qvhost.exe --class CQvAOMTAVO --com N --log aomtavo.log --log-comm -
     N is the port the scan found. Then type, one a line: create, connect, check TEXT, configure TEXT,
     used 0 1, power 0 50, shutter open, lines. "daq write Dev1/ao0 1.0" puts a test voltage on a channel
     first, as NI MAX's test panel does. help lists every command; quit ends.
  3. qvhost.exe --class CQvAOMTAVO --com N --gui
     The host window with the device's pad and dialogs.

docs\windows.md says what to try when the scan finds no unit; docs\qvhost.md lists every option and
command. The store qvhost.store, written in the current folder, then holds the texts the imaging host
needs for this unit.
TEXT
rm -f "$out"
(cd "$stage" && zip -q -r -X "$out" aomtavo-commissioning)
qv_say "package: $(unzip -Z1 "$out" | wc -l) files in $out"
echo "$out"
