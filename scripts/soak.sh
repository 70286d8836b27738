#!/usr/bin/env bash
# Soak: connect/disconnect cycles and host commands against a simulated unit, with the process's handles,
# threads and private bytes at the start and the end (they stay flat; exit code 1 if not).
#   scripts/soak.sh [--cycles N] [--commands N]     (default 1000 and 100000: about ten minutes)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_build qvsoak
trap qv_stop_wine EXIT
qv_start_wine
export QV_TAVOSIM=$build/native/tavosim
cd "$build/bin" && ../wine-run.sh qvsoak.exe "$@"
