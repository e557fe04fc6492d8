#!/usr/bin/env bash
# Builds the Debian package kestrelwave_<version>_<arch>.deb: configures and builds a tree in
# build-deb/ (or $KESTREL_BUILD_DIR), packs it with CPack and checks it with lintian when
# lintian is installed. The package's path is the last line printed.
#
#   scripts/package.sh              install what is missing, build, pack
#   scripts/package.sh --no-build   pack the tree in $KESTREL_BUILD_DIR as it is built
#
# Then: sudo apt-get install ./build-deb/package/kestrelwave_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTREL_BUILD_DIR:-$top/build-deb}
if [ "${1:-}" != --no-build ]; then
    "$top/scripts/install-deps.sh"
    KESTREL_BUILD_DIR=$build "$top/scripts/build.sh" -DKESTREL_BUILD_TESTS=OFF \
        -DKESTREL_BUILD_BENCH=OFF
fi
out=$build/package
rm -rf "$out"
mkdir -p "$out"
if ! (cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log" 2>&1); then
    cat "$out/cpack.log" >&2
    exit 1
fi
debs=("$out"/kestrelwave_*.deb)
[ -f "${debs[0]}" ] || { echo "CPack made no package" >&2; exit 1; }
if command -v lintian > /dev/null; then
    # Errors fail the package; warnings are shown.
    lintian --fail-on error --tag-display-limit 0 "${debs[0]}" >&2
else
    echo "lintian is not installed: the package was not checked" >&2
fi
echo "${debs[0]}"
