#!/usr/bin/env bash
# CPU the signal scope adds to the program: starts the local test station (with a
# PulseAudio null sink and changing titles), plays its MP3 mount in the real window with the
# real ffplay, and compares phases with the scope running and switched off in one run.
# Nothing leaves 127.0.0.1.
#
#   bench/scope_cpu.sh [BUILD_DIR] [SECONDS_PER_SIDE] [PHASE_SECONDS]   default: build, 60, 10
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
phase=${3:-10}
program="$build/bench/bench_scope_cpu"
[ -x "$program" ] || { echo "$program not built (cmake --build $build --target bench_scope_cpu)" >&2; exit 2; }

# PULSE_SERVER and XDG_RUNTIME_DIR send ffplay and the scope to the null sink.
. "$here/localstation.sh"
start_local_station kw-scope-bench --pulse --titles
server_pid=$(head -n 1 "$station_state/pids")
"$program" "http://127.0.0.1:$KW_ICECAST_PORT/tone.mp3" "$seconds" "$phase" "$server_pid"
