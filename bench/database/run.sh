#!/usr/bin/env bash
# Reading 100,000 rows: a Tarn Pascal program through unixODBC and SQLite's ODBC driver
# against the sqlite3 command-line tool running the same query on the same file. Each is
# timed as a whole process, best of three; the figure is rows per second.
#
#   bench/database/run.sh BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
rows=100000
query='select id, k, r, name from t order by id'
for tool in sqlite3 "$build/bin/tpc" "$build/bin/tvm"; do
    command -v "$tool" > /dev/null || { echo "database bench: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The driver registered for this run only, as the tests do.
printf '[SQLite3]\nDriver=libsqlite3odbc.so\n' > "$work/odbcinst.ini"
export ODBCSYSINI=$work ODBCINI=$work/odbc.ini
: > "$work/odbc.ini"

sqlite3 "$work/bench.db" "create table t(id integer primary key, k integer, r real, name varchar(20));
insert into t with recursive n(i) as (select 1 union all select i + 1 from n where i < $rows)
  select i, (i * 7) % 1000, i / 4.0, 'row ' || i from n;"
"$build/bin/tpc" -o"$work/readrows.tvm" "$here/readrows.pas" > "$work/build.log" || { cat "$work/build.log"; exit 1; }

# best_of3 COMMAND...: the shortest wall time of three runs, in seconds.
best_of3() {
    local best= start end t
    for _ in 1 2 3; do
        start=$(date +%s%N)
        "$@" > "$work/out"
        end=$(date +%s%N)
        t=$(( end - start ))
        if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    done
    awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

tarn=$(best_of3 "$build/bin/tvm" "$work/readrows.tvm" "$work/bench.db")
echo "Database read, $rows rows ($query):"
echo "  tarn: $(cat "$work/out")"
native=$(best_of3 sqlite3 "$work/bench.db" "$query")
echo "  sqlite3: $(wc -l < "$work/out") lines"
awk -v t="$tarn" -v n="$native" -v rows="$rows" 'BEGIN {
    printf "  %-34s %8.3f s %12.0f rows/s\n", "Tarn Pascal via ODBC (tvm)", t, rows / t
    printf "  %-34s %8.3f s %12.0f rows/s\n", "sqlite3 command-line tool", n, rows / n
    printf "  ratio: %.1f times the time of sqlite3\n", t / n
}'
