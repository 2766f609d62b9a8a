#!/usr/bin/env bash
# Installs what is missing, builds everything (program, tests, benchmarks) and runs every test.
# Usage: scripts/test.sh [build-dir]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
start=$(date +%s)

bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${PELMOR_CMAKE_ARGS:-}
cmake --build "$build" --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
echo "pelmor: build and tests took $(( $(date +%s) - start )) s"
