#!/usr/bin/env bash
# The main job: builds, then runs the host application against the module (the simulator by default).
# Arguments are passed to qvhost.exe.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_build >/dev/null
qv_start_wine
trap qv_stop_wine EXIT
cd "$build/bin"
"$build/wine-run.sh" qvhost.exe "$@"
