#!/bin/sh
# Runs a test under a real X server with a real window manager, as a user's desktop has them:
# Xvfb picks a free display itself and says which once it takes connections, openbox manages it
# and starts the test once it is up, then the test's exit status is handed back. No display or no
# window manager fails; nothing is skipped.
set -u
if [ "${1:-}" = "--inside" ]; then
    status=$2
    shift 2
    "$@"
    echo $? >"$status"
    openbox --exit
    exit 0
fi
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/display"
touch "$work/status"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" &
xvfb=$!
# Blocks until the server is ready; an empty line means it ended without starting.
read -r number <"$work/display"
if [ -z "${number:-}" ]; then
    echo "with-openbox: the X server did not start" >&2
    exit 1
fi
DISPLAY=":$number" openbox --sm-disable --startup "$0 --inside $work/status $*"
rc=$(cat "$work/status")
if [ -z "$rc" ]; then
    echo "with-openbox: the test did not run (no window manager)" >&2
    exit 1
fi
exit "$rc"
