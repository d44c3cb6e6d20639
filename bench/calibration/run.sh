#!/usr/bin/env bash
# Times two benchmark programs under the engine beside C versions of them that keep the
# engine's constraints (4-byte booleans for sieve; a flush after every line for textio)
# and beside fpc: best wall time of N runs each, interleaved so that a noisy machine
# affects all columns alike.
#
#   bench/calibration/run.sh [BUILD_DIR] [RUNS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd); runs=${2:-5}
shared=$(cd "${TARN_SHARED_BENCH:-$here/../../../shared/bench}" && pwd)
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
cc -O2 -o sieve4 "$here/sieve4.c"
cc -O2 -o textio_flush "$here/textio_flush.c"
"$build/bin/tpc" -o sieve.tvm "$shared/sieve.pas" >/dev/null
"$build/bin/tpc" -o textio.tvm "$shared/textio.pas" >/dev/null
have_fpc=0
if command -v fpc >/dev/null; then
    fpc -Miso -O2 -FE. -osieve.native "$shared/sieve.pas" >/dev/null && \
    fpc -Miso -O2 -FE. -otextio.native "$shared/textio.pas" >/dev/null && have_fpc=1
fi
declare -A best
time_one() {  # time_one NAME CMD...: keeps the best wall time of NAME
    local name=$1 s e t; shift
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "${best[$name]:-}" ] || [ "$(echo "$t < ${best[$name]}" | bc)" = 1 ]; then best[$name]=$t; fi
}
for _ in $(seq "$runs"); do
    time_one sieve-engine "$build/bin/tvm" sieve.tvm
    time_one sieve-c4 ./sieve4
    time_one textio-engine "$build/bin/tvm" textio.tvm
    time_one textio-cflush ./textio_flush 1
    time_one textio-c ./textio_flush 0
    if [ "$have_fpc" = 1 ]; then
        time_one sieve-fpc ./sieve.native
        time_one textio-fpc ./textio.native
    fi
done
seconds() { if [ -n "${best[$1]:-}" ]; then printf '%.3f' "${best[$1]}"; else printf -- '-'; fi; }
printf '%-8s %9s %20s %9s\n' program engine "C, same constraint" fpc
printf '%-8s %9s %20s %9s\n' sieve "$(seconds sieve-engine)" "$(seconds sieve-c4)" "$(seconds sieve-fpc)"
printf '%-8s %9s %20s %9s   (C without the flushes: %s)\n' textio "$(seconds textio-engine)" \
    "$(seconds textio-cflush)" "$(seconds textio-fpc)" "$(seconds textio-c)"
