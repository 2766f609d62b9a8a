#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Pelmor need.
# Idempotent: packages already present are left alone; safe to run on every build.
# With --package it also installs what building and checking the Debian package needs.
set -euo pipefail

PACKAGES=(
  # toolchain and build
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # reads the command line's csv back as other programs do
  python3
  # reads the session report's PDF back (page count and text)
  poppler-utils
  # comma-decimal locale for the number-formatting tests
  locales
  # benchmark yardstick only (never linked into the program)
  libfftw3-dev
  # the sessions database: SQLite and PostgreSQL client libraries, and the server the tests
  # start a throw-away cluster of
  libsqlite3-dev libpq-dev postgresql
  # GUI, command line, device
  qt6-base-dev qt6-base-dev-tools libgl-dev libftdi1-dev libcli11-dev nlohmann-json3-dev
  # offscreen text rendering and a display for screenshots
  fonts-dejavu-core xvfb xauth
  # installed files: man page, icons, desktop entry and metadata checks
  help2man librsvg2-bin desktop-file-utils appstream libxml2-utils man-db
)
if [ "${1:-}" = "--package" ]; then
  # the Debian package: build, dependencies, lint, and the clean-system install test
  PACKAGES+=(dpkg-dev fakeroot file lintian debootstrap)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A German locale (decimal comma) is generated so the locale-proof formatting is tested for real.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
