#!/usr/bin/env bash
# Installs what is missing, builds and starts Pelmor. Arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMOR_BUILD_DIR:-$root/build}

bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)"
if [ -x "$build/src/gui/pelmor" ]; then
  exec "$build/src/gui/pelmor" "$@"
elif [ -x "$build/src/cli/pelmor-cli" ]; then
  echo "The desktop program is not built yet; running pelmor-cli." >&2
  exec "$build/src/cli/pelmor-cli" "$@"
else
  echo "Neither the desktop program nor pelmor-cli is built yet; the engine and its tests are." >&2
  echo "Run scripts/test.sh to build and test what exists." >&2
fi
