#!/usr/bin/env bash
# Installs what is missing, builds and runs every test suite through CTest. Works without a
# display or a sound server: GUI tests use Qt's offscreen platform and the integration
# fixture starts its own PulseAudio and Icecast on 127.0.0.1. Then the sanitizer build and
# the fuzz smoke of scripts/harden.sh (KESTREL_SKIP_HARDEN=1 leaves them out).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" -DKESTREL_BUILD_TESTS=ON -DKESTREL_BUILD_BENCH=ON
cd "${KESTREL_BUILD_DIR:-$top/build}"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j"$(nproc)" "$@"
[ "${KESTREL_SKIP_HARDEN:-0}" = 1 ] || "$top/scripts/harden.sh"
