#!/usr/bin/env bash
# Builds the Release program and makes its Debian package with CPack: prints the package's path.
# Install it with: sudo apt-get install ./build/package/larkspur_*.deb
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DLARKSPUR_TESTS=OFF >/dev/null
cmake --build build/package
(cd build/package && cpack -G DEB >/dev/null)
ls "$PWD"/build/package/larkspur_*.deb
