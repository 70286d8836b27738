#!/usr/bin/env bash
# Builds the benchmark, runs it under Wine and prints each figure beside its baseline of the same run.
# The run is kept as docs/benchmarks/LABEL.tsv; docs/benchmarks.md shows every kept run side by side.
# A run that did not measure every figure fails (exit code 1, with the reason) and keeps nothing.
#   scripts/bench.sh [--label NAME] [--samples N] [--idle-seconds S]
#   scripts/bench.sh --short     10 samples and one idle second, kept nowhere: that the benchmark still runs
#   scripts/bench.sh --page      writes docs/benchmarks.md again from the kept runs, running nothing
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
label=latest samples=200 idle=30 keep=1 run=1
usage="usage: scripts/bench.sh [--label NAME] [--samples N] [--idle-seconds S] | --short | --page"
while [ $# -gt 0 ]; do
  case "$1" in
    --label | --samples | --idle-seconds)
      [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
      case "$1" in --label) label=$2 ;; --samples) samples=$2 ;; --idle-seconds) idle=$2 ;; esac
      shift 2 ;;
    --short) samples=10 idle=1 keep=0; shift ;;
    --page) run=0; shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
runs=$top/docs/benchmarks
# The page, docs/benchmarks.md: its own text (docs/benchmarks/intro.md), then one column per kept run.
write_page() {
  local ordered=() plots=() f r d
  # Kept runs in order: before, after, then the others by name.
  ordered=()
  for r in before after; do [ -f "$runs/$r.tsv" ] && ordered+=("$runs/$r.tsv"); done
  for f in "$runs"/*.tsv; do
    case "$(basename "$f" .tsv)" in before | after) ;; *) ordered+=("$f") ;; esac
  done

  if command -v gnuplot >/dev/null; then
    plots=()
    for f in "${ordered[@]}"; do
      d=${f%.tsv}-panel.dat
      [ -s "$d" ] && plots+=("'$d' using 1:2 with steps lw 2 title '$(basename "$f" .tsv)'")
    done
    if [ ${#plots[@]} -gt 0 ]; then
      gnuplot <<GP
set terminal pngcairo size 800,450 noenhanced
set output '$runs/panel-latency.png'
set title 'Front-panel change to host callback, 9600 baud (cumulative share of samples)'
set xlabel 'ms'
set ylabel 'share of changes heard'
set key bottom right
set grid
set yrange [0:1]
set arrow from 150, graph 0 to 150, graph 1 nohead dt 2
set label 'target p99 150 ms' at 152, graph 0.1
plot $(IFS=,; echo "${plots[*]}")
GP
    fi
  fi

  # docs/benchmarks.md: the page's own text (docs/benchmarks/intro.md), then one column per kept run.
  { sed -e '$a\' "$runs/intro.md"; echo; awk -F'\t' -v n=${#ordered[@]} '
    { sub(/\r$/, "") } # runs kept before the results were written with bare line feeds
    FNR == 1 { run++; name[run] = FILENAME; sub(/.*\//, "", name[run]); sub(/\.tsv$/, "", name[run]) }
    /^# / { key = substr($0, 3, index($0, ":") - 3); meta[run, key] = substr($0, index($0, ":") + 2); next }
    {
      if (!($1 in seen)) { seen[$1] = ++rows; id[rows] = $1; figure[rows] = $2 }
      cell[run, $1] = $3 "<br>baseline: " $4 "<br>ratio: " $5
    }
    END {
      print "Each figure stands beside its baseline, measured in the same run; the ratio is measured / baseline"
      print "(p50 unless the figure says otherwise: the front-panel latency uses p99, the line share is a fraction"
      print "of the line). One column per kept run."
      print ""
      for (r = 1; r <= n; r++) {
        print "- **" name[r] "**: " meta[r, "date"] "; " meta[r, "machine"] "; load " meta[r, "load"] "; commit " meta[r, "commit"]
      }
      print ""
      head = "| figure |"; rule = "| --- |"
      for (r = 1; r <= n; r++) { head = head " " name[r] " |"; rule = rule " --- |" }
      print head; print rule
      for (i = 1; i <= rows; i++) {
        line = "| " figure[i] " |"
        for (r = 1; r <= n; r++) line = line " " ((r, id[i]) in cell ? cell[r, id[i]] : "-") " |"
        print line
      }
      print ""
      print "![Front-panel change to host callback](benchmarks/panel-latency.png)"
    }' "${ordered[@]}"; } >"$top/docs/benchmarks.md"
}
if [ "$run" = 0 ]; then
  write_page
  qv_say "bench: docs/benchmarks.md written again from the kept runs"
  exit 0
fi

qv_build qvbench
qv_start_wine
# This prefix's wine server: its working directory is the server folder named after the prefix's
# device and inode, so servers of other prefixes on the machine are never counted.
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
# The server enters that folder a moment after it forks: look again for up to 2 s.
server_pid=
for _ in $(seq 40); do
  for p in $(pgrep -x 'wineserver(64)?' || true); do
    case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in */$server_dir) server_pid=$p ;; esac
  done
  [ -n "$server_pid" ] && break
  sleep 0.05
done
[ -n "$server_pid" ] || qv_say "bench: the wine server was not found; its CPU is not measured"

mkdir -p "$runs"
tmp=$(mktemp -d "$build/bench.XXXXXX")
sampler_pid=
cleanup() {
  [ -n "$sampler_pid" ] && kill "$sampler_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# The server's CPU time so far, in microseconds, rewritten every 100 ms with bash's builtins alone (no
# process a sample): run time from its schedstat, or from utime and stime where that entry reads no run
# time (a 6.18 kernel was seen to answer "0 0 1"). qvbench reads the file; Wine never opens /proc itself.
sample_server() {
  local ticks run _ fields pause
  ticks=$(getconf CLK_TCK)
  exec {pause}<> <(:)
  while kill -0 "$server_pid" 2>/dev/null; do
    run=0
    read -r run _ <"/proc/$server_pid/schedstat" 2>/dev/null || run=0
    if [ "${run:-0}" -gt 0 ] 2>/dev/null; then
      echo "$((run / 1000))" >"$tmp/server-cpu"
    elif read -r -a fields <"/proc/$server_pid/stat" 2>/dev/null; then
      echo "$(((fields[13] + fields[14]) * 1000000 / ticks))" >"$tmp/server-cpu"
    fi
    read -r -t 0.1 -u "$pause" _ || true
  done
}
server_cpu=()
if [ -n "$server_pid" ]; then
  sample_server &
  sampler_pid=$!
  server_cpu=(--wineserver-cpu "$tmp/server-cpu")
fi

export QV_TAVOSIM=$build/native/tavosim
qv_say "bench: running ($([ "$keep" = 1 ] && echo "about three minutes" || echo "about 20 s"))"
status=0
(cd "$build/bin" && ../wine-run.sh qvbench.exe --results "$tmp/results.tsv" --panel-samples "$tmp/panel.dat" \
  --samples "$samples" --idle-seconds "$idle" "${server_cpu[@]}") || status=$?
# Every row, or nothing is kept: a run cut short must not stand in the page as a complete one.
missing=
for id in callback lock idle_sim connect first_push serial serial_bare setpower panel poll_period line_share \
  idle_unit; do
  cut -f1 "$tmp/results.tsv" 2>/dev/null | grep -qx "$id" || missing="$missing $id"
done
if [ "$status" -ne 0 ] || [ -n "$missing" ] || [ ! -s "$tmp/panel.dat" ]; then
  qv_say "bench: FAILED: qvbench.exe ended with exit code $status${missing:+ without the figures$missing}" \
    "(its reason, if it gave one, is above); docs/benchmarks was left as it was"
  exit 1
fi
if [ "$keep" = 0 ]; then
  qv_say "bench: every figure measured (short run, not kept)"
  exit 0
fi

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
{
  echo "# date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "# machine: ${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr), $(wine64 --version 2>/dev/null || echo Wine)"
  echo "# load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) at the end of the run"
  echo "# commit: $(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo none)"
  tr -d '\r' <"$tmp/results.tsv"
} >"$runs/$label.tsv"
cp "$tmp/panel.dat" "$runs/$label-panel.dat"
write_page
qv_say "bench: results in docs/benchmarks.md (run \"$label\")"
