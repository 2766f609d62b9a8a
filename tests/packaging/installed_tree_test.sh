#!/usr/bin/env bash
# Installs a build into a scratch root as the package does (prefix /usr) and checks what a
# desktop and a lab's administrator rely on: every file where it is looked for, the programs'
# versions, the help page found beside the installed program, valid desktop entry, AppStream
# metadata and file types, icons of the right size, a man page that lists every command and
# option pelmor-cli's --help texts have and names the environment variables, and a help page
# that lists every command.
# Usage: installed_tree_test.sh BUILD-DIR VERSION
set -euo pipefail
build=$1
version=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr

for file in bin/pelmor bin/pelmor-cli share/pelmor/help.html share/applications/pelmor.desktop \
    share/icons/hicolor/scalable/apps/pelmor.svg share/icons/hicolor/48x48/apps/pelmor.png \
    share/icons/hicolor/256x256/apps/pelmor.png share/mime/packages/pelmor.xml \
    share/metainfo/org.strelllab.pelmor.metainfo.xml lib/udev/rules.d/60-pelmor-ftdi.rules \
    share/man/man1/pelmor.1.gz share/man/man1/pelmor-cli.1.gz share/doc/pelmor/copyright \
    share/doc/pelmor/changelog.gz share/pelmor/references/aarli-ios-adults.json; do
    [ -s "$usr/$file" ] || fail "not installed: /usr/$file"
done

# PNG width and height (big-endian words at bytes 16 and 20).
for size in 48 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/pelmor.png
    [ -f "$png" ] || continue
    got=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$got" = "${size}x${size}" ] || fail "$png is $got"
done

# One version everywhere.
[ "$("$usr/bin/pelmor-cli" --version)" = "pelmor-cli $version" ] || fail "pelmor-cli --version"
[ "$("$usr/bin/pelmor" --version)" = "pelmor $version" ] || fail "pelmor --version"
zcat "$usr/share/doc/pelmor/changelog.gz" | head -1 | grep -q "^pelmor ($version) " ||
    fail "changelog version"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/org.strelllab.pelmor.metainfo.xml" ||
    fail "metainfo release version"

# The installed program finds the help page installed beside it.
help=$("$usr/bin/pelmor" --help | sed -n 's/^Help page: //p')
[ "$help" = "$usr/share/pelmor/help.html" ] || fail "installed pelmor's help page: '$help'"

# The help page's "Without a display" section names every command of pelmor-cli, and the page
# explains the report.
page_help=$(cat "$usr/share/pelmor/help.html")
cli_section=$(awk '/<h2>Without a display</ { on = 1 } on' <<<"$page_help")
for command in $("$usr/bin/pelmor-cli" --help | awk '/^[A-Za-z ]*[Ss]ubcommands:/ { on = 1; next }
                                                   /^[^ ]/ { on = 0 } on && /^  [^ ]/ { print $1 }'); do
    grep -qE "<code>(pelmor-cli )?$command\b" <<<"$cli_section" ||
        fail "the help page's list of commands lacks $command"
done
grep -q 'id="report"' <<<"$page_help" || fail "the help page has no section on the report"

# Desktop entry, metadata and file types as the desktop's own tools read them.
desktop-file-validate "$usr/share/applications/pelmor.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/org.strelllab.pelmor.metainfo.xml" \
    >/dev/null || fail "AppStream metadata"
mkdir -p "$stage/mime/packages"
cp "$usr/share/mime/packages/pelmor.xml" "$stage/mime/packages/"
complaint=$(XDG_DATA_DIRS=$stage update-mime-database "$stage/mime" 2>&1)
[ -z "$complaint" ] || fail "file types: $complaint"
for glob in plm:setup inpx:data inp:data-12bit opt:excitation cal:calibration; do
    grep -qx "50:application/x-pelmor-${glob#*:}:\*\.${glob%%:*}" "$stage/mime/globs2" ||
        fail "file type of .${glob%%:*}"
    grep -q '<comment>' "$stage/mime/application/x-pelmor-${glob#*:}.xml" ||
        fail "no comment for .${glob%%:*}"
done
for type in $(sed -n 's/^MimeType=//p' "$usr/share/applications/pelmor.desktop" | tr ';' ' '); do
    [ -f "$stage/mime/$type.xml" ] || fail "the desktop entry opens $type, which is not defined"
done

# The man page has every command (walked through the --help texts) and each one's options.
page=$(LC_ALL=C MANWIDTH=250 man -l -P cat "$usr/share/man/man1/pelmor-cli.1.gz" 2>/dev/null)
check_command() {
    local text sub
    text=$("$usr/bin/pelmor-cli" "$@" --help)
    if [ $# -gt 0 ]; then
        grep -qF "pelmor-cli $*" <<<"$page" || fail "man page lacks the command '$*'"
    fi
    for option in $(awk '/^[A-Za-z ]*[Oo]ptions:/ { on = 1; next } /^[^ ]/ { on = 0 }
                         on && /^ +-/ { print $1 }' <<<"$text" | tr ',' ' '); do
        grep -qF -- "$option" <<<"$page" || fail "man page lacks option $option of '$*'"
    done
    for sub in $(awk '/^[A-Za-z ]*[Ss]ubcommands:/ { on = 1; next } /^[^ ]/ { on = 0 }
                      on && /^  [^ ]/ { print $1 }' <<<"$text"); do
        check_command "$@" "$sub"
    done
}
check_command
gui_page=$(LC_ALL=C MANWIDTH=250 man -l -P cat "$usr/share/man/man1/pelmor.1.gz" 2>/dev/null)
grep -q "help.html" <<<"$gui_page" || fail "pelmor's man page"
for name in pelmor-cli pelmor; do
    [ "$name" = pelmor ] && text=$gui_page || text=$page
    section=$(awk '/^ENVIRONMENT/ { on = 1; next } /^[A-Z]/ { on = 0 } on' <<<"$text")
    for variable in PELMOR_USB_IDS PELMOR_DEVICE PELMOR_EMULATOR; do
        grep -q "$variable" <<<"$section" || fail "$name's man page: ENVIRONMENT lacks $variable"
    done
done

[ "$failures" -eq 0 ] || exit 1
echo "installed tree: all checks passed"
