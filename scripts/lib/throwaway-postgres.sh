# Starts and stops a PostgreSQL server in a temporary folder on a loopback
# port, run as the postgres user, and exports VXR_TEST_PG_CONNECT: the ODBC
# connection string the tests use to reach it through psqlODBC. The server
# counts the statements it runs (pg_stat_statements), so that tests and the
# benchmark can tell how many round trips an import costs.

start_throwaway_postgres() {
    local bindir
    bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    if [[ -z "$bindir" ]]; then
        echo "PostgreSQL server binaries not found; the PostgreSQL tests will be skipped." >&2
        return 0
    fi
    PG_TMP=$(mktemp -d /tmp/vxr-pg.XXXXXX)
    chown postgres:postgres "$PG_TMP" 2>/dev/null || true
    chmod 700 "$PG_TMP"
    local as_pg=()
    [[ $(id -u) -eq 0 ]] && as_pg=(runuser -u postgres --)
    "${as_pg[@]}" "$bindir/initdb" -D "$PG_TMP/data" -U postgres -A trust -E UTF8 --locale=C >/dev/null
    # A random port may be taken: try a few before giving up.
    local attempt started=
    for attempt in 1 2 3 4 5; do
        PG_PORT=${VXR_TEST_PG_PORT:-$(( 20000 + RANDOM % 20000 ))}
        if "${as_pg[@]}" "$bindir/pg_ctl" -D "$PG_TMP/data" -l "$PG_TMP/server.log" -w -t 30 \
            -o "-c listen_addresses=127.0.0.1 -p $PG_PORT -k $PG_TMP -c fsync=off -c shared_preload_libraries=pg_stat_statements -c pg_stat_statements.track=all" start >/dev/null; then
            started=1
            break
        fi
        [[ -n "${VXR_TEST_PG_PORT:-}" ]] && break
    done
    PG_BINDIR=$bindir
    if [[ -z "$started" ]]; then
        echo "The throwaway PostgreSQL server did not start; its log:" >&2
        cat "$PG_TMP/server.log" >&2 || true
        rm -rf "$PG_TMP"
        unset PG_TMP
        return 1
    fi
    local driver
    driver=$(odbcinst -q -d 2>/dev/null | tr -d '[]' | grep -m1 -i '^PostgreSQL Unicode' || true)
    [[ -n "$driver" ]] || driver="PostgreSQL Unicode"
    export VXR_TEST_PG_CONNECT="Driver={$driver};Server=127.0.0.1;Port=$PG_PORT;Database=postgres;Uid=postgres;Pwd=;"
    export VXR_TEST_PG_ADMIN="$bindir/psql -h 127.0.0.1 -p $PG_PORT -U postgres"
    echo "Throwaway PostgreSQL server on 127.0.0.1:$PG_PORT"
}

stop_throwaway_postgres() {
    [[ -n "${PG_TMP:-}" && -d "$PG_TMP" ]] || return 0
    local as_pg=()
    [[ $(id -u) -eq 0 ]] && as_pg=(runuser -u postgres --)
    "${as_pg[@]}" "$PG_BINDIR/pg_ctl" -D "$PG_TMP/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$PG_TMP"
    unset PG_TMP VXR_TEST_PG_CONNECT VXR_TEST_PG_ADMIN
}
