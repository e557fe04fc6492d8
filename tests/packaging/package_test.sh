#!/usr/bin/env bash
# The installed tree and the Debian package, from a built tree:
#   package_test.sh SOURCE_DIR BUILD_DIR
# installs into a staging root (DESTDIR) and checks the file list, validates the menu entry
# and the metainfo, builds the .deb with scripts/package.sh (lintian errors fail it) and
# checks its contents and dependencies. A check whose tool is missing is skipped with a
# message; the test then ends as skipped (exit 77) after the other checks.
set -euo pipefail
src=$1
build=$2
stage=$(mktemp -d /tmp/kw-package-XXXXXX)
trap 'rm -rf "$stage"' EXIT
failed=0
skipped=0
fail() { echo "FAIL: $*" >&2; failed=1; }
skip() { echo "SKIPPED: $*" >&2; skipped=1; }
have() { command -v "$1" > /dev/null; }

version=$(sed -n 's/^project(Kestrelwave VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
id=org.quorne.Kestrelwave
expected=$(cat <<LIST | sort
usr/bin/kestrelwave
usr/share/applications/$id.desktop
usr/share/doc/kestrelwave/README.md
usr/share/doc/kestrelwave/changelog.gz
usr/share/doc/kestrelwave/copyright
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/22x22/apps/$id.png
usr/share/icons/hicolor/24x24/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/kestrelwave/Kestrelwave_De.html
usr/share/kestrelwave/Kestrelwave_En.html
usr/share/kestrelwave/Kestrelwave_Fr.html
usr/share/kestrelwave/Kestrelwave_example.txt
usr/share/man/man1/kestrelwave.1.gz
usr/share/metainfo/$id.metainfo.xml
LIST
)

# Files only, each where the desktop and start-up look for it.
check_tree() { # root what
    local listed
    listed=$(cd "$1" && find . -type f -o -type l | sed 's|^\./||' | sort)
    if [ "$listed" != "$expected" ]; then
        fail "$2 holds other files than expected:"
        diff <(echo "$expected") <(echo "$listed") >&2 || true
    fi
    [ -x "$1/usr/bin/kestrelwave" ] || fail "$2: usr/bin/kestrelwave is not executable"
}

# 1. cmake --install into a staging root.
DESTDIR="$stage/install" cmake --install "$build" --prefix /usr > "$stage/install.log" ||
    { cat "$stage/install.log" >&2; fail "cmake --install failed"; }
check_tree "$stage/install" "the installed tree"

# 2. The menu entry and the metainfo, as installed.
if have desktop-file-validate; then
    desktop-file-validate "$stage/install/usr/share/applications/$id.desktop" >&2 ||
        fail "desktop-file-validate"
else
    skip "desktop-file-validate is not installed (desktop-file-utils)"
fi
metainfo="$stage/install/usr/share/metainfo/$id.metainfo.xml"
if have appstreamcli; then
    appstreamcli validate --no-net "$metainfo" >&2 || fail "appstreamcli validate"
else
    skip "appstreamcli is not installed (appstream)"
fi
# The newest release and the changelog name the version being built.
grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "the metainfo has no release $version"
zcat "$stage/install/usr/share/doc/kestrelwave/changelog.gz" | head -1 |
    grep -q "^kestrelwave ($version)" || fail "the changelog does not begin with $version"
grep -q '^Exec=kestrelwave %f$' "$stage/install/usr/share/applications/$id.desktop" ||
    fail "the menu entry does not start kestrelwave with a list file"

# 3. The Debian package of the same tree.
if ! have dpkg-deb || ! have dpkg-shlibdeps; then
    skip "dpkg-deb or dpkg-shlibdeps is not installed (dpkg-dev)"
else
    deb=$(KESTREL_BUILD_DIR="$build" "$src/scripts/package.sh" --no-build | tail -1) ||
        { fail "scripts/package.sh failed"; deb=""; }
    have lintian || skip "lintian is not installed: the package was not checked"
    if [ -n "$deb" ] && [ -f "$deb" ]; then
        case "$(basename "$deb")" in
            "kestrelwave_${version}_$(dpkg --print-architecture).deb") ;;
            *) fail "unexpected package name $(basename "$deb")" ;;
        esac
        dpkg-deb -x "$deb" "$stage/deb"
        check_tree "$stage/deb" "the package"
        depends=$(dpkg-deb -f "$deb" Depends)
        for wanted in "ffmpeg | vlc" qt6-qpa-plugins libqt6widgets6 libqt6dbus6 libcurl4 libpulse0; do
            case "$depends" in
                *"$wanted"*) ;;
                *) fail "Depends lacks $wanted: $depends" ;;
            esac
        done
        [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
        if readelf -S "$stage/deb/usr/bin/kestrelwave" | grep -q '\.symtab'; then
            fail "the packaged executable is not stripped"
        fi
    fi
fi

[ $failed -eq 0 ] || exit 1
[ $skipped -eq 0 ] || exit 77
echo "package test: the installed tree, the menu entry, the metainfo and the package are right"
