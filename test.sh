#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, runs every test headless.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
./scripts/install-deps.sh
# ccache, where a developer has it, makes rebuilds of other clones quick; nothing needs it.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLARKSPUR_SANITIZE=ON "${launcher[@]}" >/dev/null
cmake --build build/test
export QT_QPA_PLATFORM=offscreen
cd build/test
# ctest prints its summary last and exits non-zero on any failure.
exec ctest --output-on-failure -j "$(nproc)"
