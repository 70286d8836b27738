#!/usr/bin/env bash
# Native fuzzers of the parsers that read outside input (see fuzz/CMakeLists.txt).
#   scripts/fuzz.sh [SECONDS [TARGET...]]   builds them with clang into build/fuzz and runs each target for
#                                           SECONDS (default 60), one after another; prints executions
#   scripts/fuzz.sh --run BINARY SEEDS SECONDS   one run (what the short ctest entries call)
# A finding stops the run with the fuzzer's report and leaves the input in build/fuzz/findings.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QV_BUILD_DIR:-$top/build}

run_one() { # BINARY SEEDS SECONDS
  local binary=$1 seeds=$2 seconds=$3 name work log
  name=$(basename "$binary")
  work=$(mktemp -d)
  log=$work/log
  mkdir -p "$work/corpus" "$build/fuzz/findings"
  # Inputs stay short: every parser here reaches all of its branches within 1 KB (a catalog within 256
  # bytes, whose parse grows with its size), and short inputs keep the runs fast.
  local extra=(-max_len=1024)
  [ "$name" = mo_catalog ] && extra=(-max_len=256)
  # The seeds stay as they are: new inputs go to the working copy only.
  if "$binary" "${extra[@]}" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=1024 \
      -artifact_prefix="$build/fuzz/findings/$name-" "$work/corpus" "$seeds" >"$log" 2>&1; then
    echo "$name: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions in ${seconds} s, no finding"
    rm -rf "$work"
  else
    cat "$log" >&2
    echo "$name: FINDING (input kept in $build/fuzz/findings)" >&2
    rm -rf "$work"
    return 1
  fi
}

if [ "${1:-}" = "--run" ]; then
  run_one "$2" "$3" "$4"
  exit
fi
seconds=${1:-60}
shift || true
command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (apt-get install clang)" >&2; exit 1; }
cmake -S "$top/fuzz" -B "$build/fuzz" -DCMAKE_CXX_COMPILER=clang++ >&2
cmake --build "$build/fuzz" -j"$(nproc)" >&2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(unit_reply settings_text daq_list mo_catalog qvhost_store qvhost_script)
for t in "${targets[@]}"; do
  run_one "$build/fuzz/$t" "$top/fuzz/corpus/$t" "$seconds"
done
