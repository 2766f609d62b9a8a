#!/usr/bin/env bash
# Builds the Debian package pelmor_<version>_amd64.deb: installs what is missing, makes a Release
# build with Debian's hardening flags, packs it with CPack (dependencies found by
# dpkg-shlibdeps) and checks it with lintian, which must find no error.
# Usage: scripts/package.sh [build-dir]   (default: build-package; the package lands there)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-package}

bash "$root/scripts/bootstrap.sh" --package
# The compiler and linker flags Debian builds its own packages with (fortify, relro, now, ...).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELMOR_PACKAGE=ON \
    -DPELMOR_BUILD_TESTS=OFF -DPELMOR_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" "${launcher[@]}"
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/pelmor_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/pelmor_*.deb)
lintian --fail-on error --info "$deb"
echo "pelmor: built $deb"
