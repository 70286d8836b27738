#!/usr/bin/env bash
# Soak: connect/disconnect cycles and host commands against a simulated unit, with the process's handles,
# threads and private bytes at the start and the end (they stay flat; exit code 1 if not).
#   scripts/soak.sh [--cycles N] [--commands N]     (default 1000 and 100000: about ten minutes)
# Or a long run of the model test of the device's promise (random host calls, reconfigures, reconnects,
# board resets, boards away and back, front-panel changes and wire faults), its seed printed:
#   scripts/soak.sh --model-steps N [--seed S]       (2000 steps take about 40 s)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
if [ "${1:-}" = "--model-steps" ]; then
  [ $# -ge 2 ] || { echo "usage: scripts/soak.sh --model-steps N [--seed S]" >&2; exit 2; }
  export QV_MODEL_STEPS=$2
  [ "${3:-}" = "--seed" ] && export QV_MODEL_SEED=${4:?--seed needs a number}
  qv_build logical_test
  trap qv_stop_wine EXIT
  qv_start_wine
  export QV_TAVOSIM=$build/native/tavosim
  cd "$build/bin" && ../wine-run.sh logical_test.exe --gtest_filter='Promise.*'
  exit
fi
qv_build qvsoak
trap qv_stop_wine EXIT
qv_start_wine
export QV_TAVOSIM=$build/native/tavosim
cd "$build/bin" && ../wine-run.sh qvsoak.exe "$@"
