#!/usr/bin/env bash
# The throw-away PostgreSQL cluster the store's tests run against: made with initdb in a fresh
# temporary folder, listening only on a Unix socket there (no TCP), run as nobody when started
# as root; the tests connect over the socket as the cluster's own role "pelmor".
# Usage: postgres_cluster.sh start STATE   writes STATE/connection (the libpq string) and
#                                          STATE/folder (the cluster's folder)
#        postgres_cluster.sh stop STATE    stops the cluster and removes its folder
set -euo pipefail
action=${1:?start or stop}
state=${2:?the state folder}
bin=${PELMOR_POSTGRES_BIN:-/usr/lib/postgresql/15/bin}

as_owner() {  # runs a command as the cluster's owner: nobody for root, else oneself
    if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

stop_cluster() {
    [ -f "$state/folder" ] || return 0
    local folder
    folder=$(cat "$state/folder")
    if [ -f "$folder/data/postmaster.pid" ]; then
        (cd "$folder" && as_owner "$bin/pg_ctl" -D "$folder/data" -m immediate -w stop) \
            > /dev/null 2>&1 || true
    fi
    rm -rf "$folder"
    rm -f "$state/folder" "$state/connection"
}

fail() {
    echo "postgres_cluster: $1" >&2
    [ -n "${2:-}" ] && [ -f "$2" ] && cat "$2" >&2
    exit 1
}

case $action in
start)
    mkdir -p "$state"
    stop_cluster
    [ -x "$bin/initdb" ] || fail "$bin/initdb not found (scripts/bootstrap.sh installs postgresql)"
    folder=$(mktemp -d "${TMPDIR:-/tmp}/pelmor-pg.XXXXXX")
    echo "$folder" > "$state/folder"
    chmod 0700 "$folder"
    if [ "$(id -u)" -eq 0 ]; then chown nobody "$folder"; fi
    cd "$folder"
    as_owner "$bin/initdb" -D "$folder/data" -U pelmor -A trust -E UTF8 --locale=C.UTF-8 \
        --no-sync > "$folder/initdb.log" 2>&1 || fail "initdb failed in $folder" "$folder/initdb.log"
    as_owner "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
        -o "-c listen_addresses='' -k $folder -c fsync=off -c synchronous_commit=off" \
        start > /dev/null || fail "the server did not start in $folder" "$folder/server.log"
    as_owner "$bin/createdb" -h "$folder" -U pelmor pelmor || fail "createdb failed in $folder"
    echo "host=$folder user=pelmor dbname=pelmor" > "$state/connection"
    echo "postgres_cluster: running in $folder"
    ;;
stop)
    stop_cluster
    ;;
*)
    fail "unknown action $action (start or stop)"
    ;;
esac
