#!/usr/bin/env bash
# The installed desktop entry opens a double-clicked catalogue: with the installed MIME type and
# entry registered, the desktop's own tools (shared-mime-info, GIO, xdg-mime) find the program for
# a .dat file, and `gio open` starts its Exec line with the file's path.
# Usage: desktop_entry.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
share="$prefix/share"
desktop-file-validate "$share/applications/larkspur.desktop" || fail "desktop entry does not validate"
# GIO hands a file to an Exec line without a field code all the same; other desktops do not, so
# the line itself must take the file.
exec_line="$(sed -n 's/^Exec=//p' "$share/applications/larkspur.desktop")"
read -r -a exec_words <<<"$exec_line"
[[ "${exec_words[0]}" == "larkspur" ]] || fail "Exec= starts '${exec_words[0]}', not the program"
codes=0
for word in "${exec_words[@]:1}"; do
    [[ "$word" == %[fFuU] ]] && codes=$((codes + 1))
done
[[ $codes == 1 ]] || fail "Exec=$exec_line does not take the file (%f) once"
update-mime-database "$share/mime"
update-desktop-database "$share/applications" >/dev/null

# A stand-in for the program that hands its arguments to this script through a FIFO (the read
# waits for it; no polling).
mkdir -p "$work/bin" "$work/home"
mkfifo "$work/args"
cat >"$work/bin/larkspur" <<STUB
#!/bin/sh
printf '%s\n' "\$@" > "$work/args"
STUB
chmod +x "$work/bin/larkspur"

# A name a shell or URI would mangle.
file="$work/my house #1 ?.dat"
cp "$share/larkspur/sample/household.dat" "$file"

desktop_env() {
    env -i PATH="$work/bin:/usr/bin:/bin" HOME="$work/home" XDG_DATA_DIRS="$share" \
        XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config" "$@"
}

type="$(desktop_env gio info -a standard::content-type "$file" | sed -n 's/^ *standard::content-type: //p')"
[[ "$type" == "application/x-larkspur-catalogue" ]] || fail "a catalogue is of type '$type'"
default="$(desktop_env xdg-mime query default application/x-larkspur-catalogue)"
[[ "$default" == "larkspur.desktop" ]] || fail "xdg-mime names '$default' for a catalogue"

desktop_env gio open "$file" || fail "gio open"
got="$(timeout 60 cat "$work/args")" || fail "the program was not started"
[[ "$got" == "$file" ]] || fail "the program was started with '$got' instead of the file"
echo "desktop_entry: a catalogue opens with the installed entry"
