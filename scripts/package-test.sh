#!/usr/bin/env bash
# Installs the Debian package with apt on a machine that has only the base system (a fresh
# Debian 12 minbase chroot), checks that the programs, the man page and the help page work, then
# removes the package and checks that nothing of it is left. Needs root and the Debian mirror.
# Usage: scripts/package-test.sh [package.deb]   (default: builds it with scripts/package.sh)
# The base system is built once and kept as a tarball in $PELMOR_CHROOT_CACHE
# (default /var/tmp/pelmor-chroot); delete it to start from a newer base.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${PELMOR_CHROOT_CACHE:-/var/tmp/pelmor-chroot}

if [ "$(id -u)" -ne 0 ]; then
    echo "package-test: needs root (chroot, apt)" >&2
    exit 1
fi
deb=${1:-}
if [ -z "$deb" ]; then
    bash "$root/scripts/package.sh"
    deb=$(ls "$root"/build-package/pelmor_*.deb)
fi
deb=$(realpath "$deb")
bash "$root/scripts/bootstrap.sh" --package

# The mirror apt already uses here.
mirror=${PELMOR_MIRROR:-$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*debian\/\?\)$/\1/p' \
    /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)}
mirror=${mirror:-http://deb.debian.org/debian}

base=$cache/bookworm-minbase.tar
if [ ! -f "$base" ]; then
    echo "package-test: building a Debian 12 base system from $mirror (once)"
    mkdir -p "$cache"
    fresh=$(mktemp -d "$cache/fresh.XXXXXX")
    debootstrap --variant=minbase bookworm "$fresh" "$mirror" >"$cache/debootstrap.log"
    tar -C "$fresh" -cf "$base.part" .
    mv "$base.part" "$base"
    rm -rf --one-file-system "$fresh"
fi

dir=$(mktemp -d /var/tmp/pelmor-package-test.XXXXXX)
cleanup() {
    if mountpoint -q "$dir/proc"; then umount "$dir/proc"; fi
    mountpoint -q "$dir/proc" || rm -rf --one-file-system "$dir"
}
trap cleanup EXIT
tar -C "$dir" -xf "$base"
mount -t proc proc "$dir/proc"
cp /etc/resolv.conf "$dir/etc/resolv.conf"
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    cp /etc/apt/sources.list.d/debian.sources "$dir/etc/apt/sources.list.d/"
    rm -f "$dir/etc/apt/sources.list"
fi
# No services start inside the chroot, and dpkg needs no terminal.
printf '#!/bin/sh\nexit 101\n' >"$dir/usr/sbin/policy-rc.d"
chmod 755 "$dir/usr/sbin/policy-rc.d"
echo 'Dpkg::Use-Pty "0";' >"$dir/etc/apt/apt.conf.d/90pelmor-test"
cp "$deb" "$dir/tmp/"
debname=$(basename "$deb")

in_chroot() { chroot "$dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"; }
step() { echo "package-test: $*"; }
fail() {
    echo "package-test: FAILED: $*" >&2
    exit 1
}

step "apt update"
in_chroot apt-get update -qq
# Tools the checks use (not needed by the package): man, and the menu's file type databases.
in_chroot apt-get install -y -qq --no-install-recommends man-db shared-mime-info \
    desktop-file-utils >/dev/null
before=$(mktemp)
after=$(mktemp)
list=$(mktemp)
# Every path outside the chroot's scratch, cache and log folders.
snapshot() {
    (cd "$dir" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./root -o -path ./var/cache \
        -o -path ./var/log -o -path ./var/lib/apt -o -path ./dev \) -prune -o -print | sort)
}
snapshot >"$before"

step "apt install ./$debname (only the base system and the check tools present)"
in_chroot apt-get install -y --no-install-recommends "/tmp/$debname" >"$dir/tmp/install.log" ||
    { cat "$dir/tmp/install.log"; fail "apt could not install the package"; }
in_chroot dpkg-query -L pelmor >"$list"

step "pelmor-cli --version"
version=$(in_chroot pelmor-cli --version) || fail "pelmor-cli --version"
expected=$(dpkg-deb -f "$deb" Version)
[ "$version" = "pelmor-cli $expected" ] || fail "pelmor-cli --version said '$version'"
[ "$(in_chroot pelmor --version)" = "pelmor $expected" ] || fail "pelmor --version"

step "pelmor-cli excitation generate"
in_chroot pelmor-cli excitation generate >"$dir/tmp/out.opt" || fail "excitation generate"
in_chroot pelmor-cli excitation check /tmp/out.opt || fail "the generated excitation is refused"

step "man pelmor-cli"
in_chroot env MANWIDTH=100 man -P cat pelmor-cli >"$dir/tmp/man.txt" 2>/dev/null ||
    fail "man pelmor-cli"
grep -q 'pelmor-cli excitation generate' "$dir/tmp/man.txt" || fail "the man page lacks commands"
in_chroot man -w pelmor >/dev/null || fail "man pelmor"

step "pelmor finds its help page and starts offscreen"
help=$(in_chroot pelmor --help | sed -n 's/^Help page: //p')
[ "$help" = /usr/share/pelmor/help.html ] || fail "pelmor looks for its help page at '$help'"
[ -s "$dir$help" ] || fail "no help page at $help"
status=0
in_chroot env QT_QPA_PLATFORM=offscreen PELMOR_SCREENSHOT=/tmp/start.png PELMOR_SCREENSHOT_DELAY=2 \
    timeout 20 pelmor >"$dir/tmp/pelmor.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$dir/tmp/pelmor.log"; fail "pelmor ended by itself ($status)"; }
[ -s "$dir/tmp/start.png" ] || { cat "$dir/tmp/pelmor.log"; fail "pelmor showed no window"; }

step "file types and menu entry registered"
grep -q 'x-pelmor-setup' "$dir/usr/share/mime/globs2" || fail ".plm is not a known file type"
grep -q 'pelmor.desktop' "$dir/usr/share/applications/mimeinfo.cache" ||
    fail "setup files do not open with pelmor"

step "apt remove pelmor"
in_chroot apt-get remove -y pelmor >/dev/null || fail "apt remove"
snapshot >"$after"
left=$(comm -13 "$before" "$after" | grep -i pelmor || true)
while read -r path; do
    if [ -e "$dir$path" ] && [ ! -d "$dir$path" ]; then left+=$'\n'"$path"; fi
done <"$list"
if grep -rqs pelmor "$dir/usr/share/mime/globs2" "$dir/usr/share/applications/mimeinfo.cache"; then
    left+=$'\n'"file type or menu database entries"
fi
if in_chroot dpkg-query -W -f='${Status}' pelmor 2>/dev/null | grep -qv 'not-installed'; then
    left+=$'\n'"dpkg status: $(in_chroot dpkg-query -W -f='${Status}' pelmor)"
fi
left=$(echo "$left" | sed '/^$/d')
[ -z "$left" ] || fail "left behind after removal:"$'\n'"$left"
rm -f "$before" "$after" "$list"
step "all checks passed for $debname"
