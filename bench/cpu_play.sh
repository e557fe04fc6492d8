#!/usr/bin/env bash
# CPU the program itself uses while it plays: starts the local test station (with a
# PulseAudio null sink and changing titles), plays its MP3 mount through the engine with the
# real ffplay and no window, and prints the CPU time of the program (the player's own time
# is not counted). Nothing leaves 127.0.0.1.
#
#   bench/cpu_play.sh [BUILD_DIR] [SECONDS]      default: build-bench, 60 s
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build-bench}
seconds=${2:-60}
program="$build/bench/bench_cpu_play"
[ -x "$program" ] || { echo "$program not built (cmake --build $build --target bench_cpu_play)" >&2; exit 2; }

# PULSE_SERVER and XDG_RUNTIME_DIR send ffplay to the null sink; the ports find the mount.
. "$here/localstation.sh"
start_local_station kw-cpu-play --pulse --titles
"$program" "http://127.0.0.1:$KW_ICECAST_PORT/tone.mp3" "$seconds"
