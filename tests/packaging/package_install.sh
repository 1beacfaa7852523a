#!/usr/bin/env bash
# Installs a build as a user would get it and starts what was installed:
#   1. `cmake --install` into a folder: files in bin/ and share/, the desktop files validate,
#      both programs answer --version without a display, the program finds its data there, and
#      the tool finds the picture module and decodes a picture with it;
#   2. the Debian package CPack makes of the same build: `apt-get install ./larkspur_*.deb`,
#      larkspur-tool --version and a decoded picture, the program started from /usr/bin under
#      Xvfb, then removed.
# Usage: package_install.sh BUILD_DIR SOURCE_DIR. Needs root (apt-get), as CI runs.
set -euo pipefail
build="$(cd "$1" && pwd)"
source="$(cd "$2" && pwd)"
work="$(mktemp -d)"
installed_package=""
cleanup() {
    if [[ -n "$installed_package" ]]; then
        apt-get remove -y larkspur >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if [[ $(id -u) -ne 0 ]]; then
    fail "installing a package needs root (run as root, as CI does)"
fi

# Starts PROGRAM under Xvfb with a fresh home and waits (bounded) for its first window, whose
# title names the sample catalogue that a first start opens.
start_program() {
    local program="$1" home="$2"
    mkdir -p "$home"
    # A real X server: the tests' offscreen platform would show no window to find.
    env -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" timeout 120 xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
            "$0" >"$1/program.log" 2>&1 &
            app=$!
            found=0
            if timeout 90 xdotool search --sync --name "household.dat" >/dev/null; then found=1; fi
            kill "$app" 2>/dev/null; wait "$app" 2>/dev/null
            [[ $found == 1 ]]' "$program" "$home" \
        || { cat "$home/program.log" >&2; fail "$program showed no window on the sample catalogue"; }
    [[ -f "$home/.local/share/Larkspur/sample/household.dat" ]] || fail "no sample copy in $home"
    [[ -n "$(ls "$home/.local/share/Larkspur/sample/pictures")" ]] || fail "no sample pictures"
}

# The installed tool decodes the installed sample's lamp photo through the picture module, which
# it loads from the install's library folder.
decodes_a_picture() {
    local tool="$1" photo="$2" folder
    folder="$(mktemp -d "$work/pictures.XXXXXX")"
    printf '{"records": [{"pictures": [{"fileName": "%s"}]}]}' "$photo" >"$folder/one.json"
    "$tool" build "$folder/one.json" "$folder/one.dat" >/dev/null || fail "$tool build"
    local said
    said="$("$tool" pictures "$folder/one.dat" 2>&1)" || fail "$tool pictures said: $said"
    [[ "$said" == "1"$'\t'"1"$'\t'"ok "* ]] || fail "$tool pictures said: $said"
}

echo "== cmake --install"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/larkspur bin/larkspur-tool share/larkspur/description1.def share/larkspur/help/index.html \
    share/larkspur/sample/household.dat share/larkspur/sample/pictures/lamp.jpg \
    share/applications/larkspur.desktop share/metainfo/larkspur.metainfo.xml \
    share/mime/packages/larkspur.xml share/icons/hicolor/scalable/apps/larkspur.svg \
    share/icons/hicolor/48x48/apps/larkspur.png share/icons/hicolor/256x256/apps/larkspur.png; do
    [[ -e "$prefix/$f" ]] || fail "cmake --install did not put $f"
done
[[ ! -e "$prefix/share/larkspur/sample/household.json" ]] || fail "the sample's sources were installed"
desktop-file-validate "$prefix/share/applications/larkspur.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/larkspur.metainfo.xml" || fail "metainfo"

version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/larkspur" --version)"
[[ "$version" == "Larkspur Cataloguer 1.43" ]] || fail "larkspur --version said: $version"
help="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/larkspur" --help)"
[[ "$help" == *"FILE.dat"* ]] || fail "larkspur --help said: $help"
[[ "$("$prefix/bin/larkspur-tool" --version)" == "larkspur-tool 1.43" ]] || fail "larkspur-tool --version"
[[ -n "$(find "$prefix" -name larkspur-pictures.so)" ]] || fail "cmake --install did not put the picture module"
decodes_a_picture "$prefix/bin/larkspur-tool" "$prefix/share/larkspur/sample/pictures/lamp.jpg"
start_program "$prefix/bin/larkspur" "$work/home-prefix"

echo "== Debian package"
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null) || fail "cpack"
deb="$(ls "$work"/package/larkspur_*.deb)"
dpkg-deb --field "$deb" Depends | grep -q 'qt6-qpa-plugins' || fail "package dependencies"
installed_package=1
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >/dev/null || fail "apt-get install $deb"
[[ "$(command -v larkspur-tool)" == /usr/bin/larkspur-tool ]] || fail "larkspur-tool not on the PATH"
[[ "$(larkspur-tool --version)" == "larkspur-tool 1.43" ]] || fail "installed larkspur-tool --version"
decodes_a_picture /usr/bin/larkspur-tool /usr/share/larkspur/sample/pictures/lamp.jpg
start_program /usr/bin/larkspur "$work/home-package"
apt-get remove -y larkspur >/dev/null || fail "apt-get remove"
installed_package=""
[[ ! -e /usr/bin/larkspur ]] || fail "/usr/bin/larkspur left after removal"
echo "package_install: installed, started and removed"
