#!/usr/bin/env bash
# Makes the sample household from its sources: the pictures, drawn by make-sample-pictures, and
# household.dat, built by larkspur-tool from household.json. Usage: make-sample.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:-$here/../../build/release}"
cmake --build "$build" --target make-sample-pictures larkspur-tool
"$build/bin/make-sample-pictures" "$here/pictures"
"$build/bin/larkspur-tool" build "$here/household.json" "$here/household.dat"
