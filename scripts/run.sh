#!/usr/bin/env bash
# Installs what is missing, builds and starts Kestrelwave. Arguments go to the program
# (an optional list file).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" -DKESTREL_BUILD_TESTS=OFF -DKESTREL_BUILD_BENCH=OFF
exec "${KESTREL_BUILD_DIR:-$top/build}/kestrelwave" "$@"
