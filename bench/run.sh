#!/bin/sh
# Runs the benchmarks of a release build (dispatch, lexer scan, whole compiler, editor engine,
# database reads): sh bench/run.sh BUILD_DIR
set -eu
build=${1:-build}
bench=$build/bin/tarn_bench
if [ ! -x "$bench" ]; then
    echo "bench/run.sh: $bench is missing; build the release tree first (make release)" >&2
    exit 1
fi
if grep -q 'CMAKE_BUILD_TYPE:STRING=Release' "$build/CMakeCache.txt" 2>/dev/null; then :; else
    echo "bench/run.sh: note: $build is not a Release build; figures will be slow" >&2
fi
"$bench"
for extra in lexbench compilebench editbench; do
    if [ -x "$build/bin/$extra" ]; then echo; "$build/bin/$extra"; fi
done

# Reading 100,000 rows through ODBC beside the sqlite3 tool on the same query.
echo; bash "$(dirname "$0")/database/run.sh" "$build" || true

# The benchmark programs beside their peers (Lua 5.4, LuaJIT, fpc where installed), from the
# shared benchmark directory beside the repository when it is there.
compare=${TARN_COMPARE:-$(dirname "$0")/../../shared/bench/compare.sh}
if [ -f "$compare" ]; then echo; bash "$compare" "$build" 3 || true; fi

# sieve and textio beside C versions that keep the engine's constraints (4-byte booleans, a
# flush after every line), which say how far the tier is from native code on the same work.
if [ -f "$(dirname "$compare")/sieve.pas" ]; then
    echo; TARN_SHARED_BENCH=$(dirname "$compare") bash "$(dirname "$0")/calibration/run.sh" "$build" 3 || true
fi
