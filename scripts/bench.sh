#!/usr/bin/env bash
# Builds the benchmark, runs it under Wine and prints each figure beside its baseline of the same run.
# The run is kept as docs/benchmarks/LABEL.tsv; docs/benchmarks.md shows every kept run side by side.
#   scripts/bench.sh [--label NAME] [--samples N] [--idle-seconds S]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
label=latest samples=200 idle=30
while [ $# -gt 0 ]; do
  case "$1" in
    --label) label=$2; shift 2 ;;
    --samples) samples=$2; shift 2 ;;
    --idle-seconds) idle=$2; shift 2 ;;
    *) echo "usage: scripts/bench.sh [--label NAME] [--samples N] [--idle-seconds S]" >&2; exit 2 ;;
  esac
done
qv_build qvbench
trap qv_stop_wine EXIT
qv_start_wine
# This prefix's wine server: its working directory is the server folder named after the prefix's
# device and inode, so servers of other prefixes on the machine are never counted.
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
# The server enters that folder a moment after it forks: look again for up to 2 s.
server_pid=
for _ in $(seq 40); do
  for p in $(pgrep -f wineserver || true); do
    case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in */$server_dir) server_pid=$p ;; esac
  done
  [ -n "$server_pid" ] && break
  sleep 0.05
done
[ -n "$server_pid" ] || qv_say "bench: the wine server was not found; its CPU is not measured"

runs=$top/docs/benchmarks
mkdir -p "$runs"
tmp=$build/bench
mkdir -p "$tmp"
rm -f "$tmp/results.tsv" "$tmp/panel.dat"
export QV_TAVOSIM=$build/native/tavosim
qv_say "bench: running (about three minutes)"
(cd "$build/bin" && ../wine-run.sh qvbench.exe --results "$tmp/results.tsv" --panel-samples "$tmp/panel.dat" \
  --samples "$samples" --idle-seconds "$idle" ${server_pid:+--wineserver-pid "$server_pid"})

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
{
  echo "# date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "# machine: ${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr), $(wine64 --version 2>/dev/null || echo Wine)"
  echo "# load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) at the end of the run"
  echo "# commit: $(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo none)"
  cat "$tmp/results.tsv"
} >"$runs/$label.tsv"
cp "$tmp/panel.dat" "$runs/$label-panel.dat"

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
{ cat "$runs/intro.md"; echo; awk -F'\t' -v n=${#ordered[@]} '
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
qv_say "bench: results in docs/benchmarks.md (run \"$label\")"
