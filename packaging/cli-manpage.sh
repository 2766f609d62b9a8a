#!/usr/bin/env bash
# Writes pelmor-cli's man page from the program's own help texts, so the page lists every command
# and option the built program has: help2man turns the top-level --help into the page, and a
# COMMANDS section holds the --help of every command and subcommand, found by walking them.
# Usage: cli-manpage.sh PELMOR-CLI EXTRA-SECTIONS OUTPUT
# (SOURCE_DATE_EPOCH, when set, gives the page's date.)
set -euo pipefail
cli=$1
extra=$2
out=$3
include=$(mktemp)
trap 'rm -f "$include"' EXIT

# The commands listed in the "Subcommands:" block of one --help text.
subcommands() {
    "$cli" "$@" --help | awk '/^[A-Za-z ]*[Ss]ubcommands:[[:space:]]*$/ { on = 1; next }
                              on && /^[[:space:]]*$/ { on = 0 }
                              on && /^  [^ ]/ { print $1 }'
}

# Help text as literal roff: backslashes, leading dots and quotes, minus signs.
roff() { sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/" -e 's/-/\\-/g'; }

walk() {
    local sub
    for sub in $(subcommands "$@"); do
        {
            printf '.SS "pelmor\\-cli %s"\n' "$(printf '%s' "${*:+$* }$sub" | roff)"
            printf '.nf\n'
            "$cli" "$@" "$sub" --help | roff
            printf '.fi\n'
        } >>"$include"
        walk "$@" "$sub"
    done
}

printf '[COMMANDS]\nEach command has its own options; "pelmor\\-cli COMMAND \\-\\-help" prints them.\n' >"$include"
walk
cat "$extra" >>"$include"

help2man --no-info --no-discard-stderr --section=1 --manual="User Commands" \
    --name="respiratory impedance analysis without a display" \
    --include="$include" --output="$out" "$cli"
