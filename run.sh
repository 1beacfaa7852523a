#!/usr/bin/env bash
# Installs what is missing, builds the Release program and starts it: ./run.sh [FILE.dat]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLARKSPUR_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != "offscreen" ]]; then
    echo "No display found: run it on a desktop, or without one as: xvfb-run ./run.sh" >&2
    exit 1
fi
exec ./build/release/bin/larkspur "$@"
