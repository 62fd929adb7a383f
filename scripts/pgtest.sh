#!/usr/bin/env bash
# A PostgreSQL server of the tests' own: pgtest.sh start|stop DIR [PORT]
# The cluster lives in DIR/data and listens only on a socket in DIR/sock (no TCP), so it never
# meets the system's server or another build's. As root it runs as the unprivileged user
# postgres, since initdb refuses root. The superuser is "fatura", trusted on the socket; the
# database "fatura" is where the tests make their own.
set -euo pipefail
cmd="$1" dir="$2" port="${3:-5432}"
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
[ -x "$bin/initdb" ] || { echo "PostgreSQL yok: postgresql paketini kurun" >&2; exit 1; }

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null || true
    fi
    rm -rf "$dir"
}

case "$cmd" in
start)
    stop
    mkdir -p "$dir/sock"
    [ "$(id -u)" -eq 0 ] && chown -R postgres: "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U fatura --auth=trust -E UTF8 --locale=C.UTF-8 \
        >"$dir/initdb.log"
    # Durability is no concern for a cluster that is thrown away.
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-c listen_addresses= -k $dir/sock -p $port -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
        start >/dev/null
    as_owner "$bin/createdb" -h "$dir/sock" -p "$port" -U fatura fatura
    echo "postgresql://fatura@${dir//\//%2F}%2Fsock:$port/fatura"
    ;;
stop) stop ;;
*) echo "kullanım: $0 start|stop DIR [PORT]" >&2; exit 2 ;;
esac
