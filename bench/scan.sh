#!/usr/bin/env bash
# Auto-scan of 200 local stations: starts the local test station (its scripted server
# serves the live and the 404 stations; port 9 is the closed one) and runs bench_scan.
# Nothing leaves 127.0.0.1.
#
#   bench/scan.sh [BUILD_DIR]      default: build
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build}
program="$build/bench/bench_scan"
[ -x "$program" ] || { echo "$program not built (cmake --build $build --target bench_scan)" >&2; exit 2; }

. "$here/localstation.sh"
start_local_station kw-scan-bench
"$program" --fake-port="$KW_FAKE_PORT"
