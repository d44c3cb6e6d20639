#!/usr/bin/env bash
# The native tier's profiling aids: TARN_PERF_MAP=1 writes /tmp/perf-PID.map with one
# symbol per instruction's host code, TARN_NATIVE_DUMP the code itself, and
# tools/native-listing.py puts the two together. The program's output must not change.
set -u
tpc=$1; tvm=$2; listing=$3; work=$4
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
cat > loop.pas <<'PAS'
program loop(output);
var i, s: integer;
begin
  s := 0;
  for i := 1 to 1000 do s := s + i;
  writeln(s:1)
end.
PAS
"$tpc" -o loop.tvm loop.pas >/dev/null || { echo "compile failed"; exit 1; }
plain=$("$tvm" loop.tvm)
TARN_PERF_MAP=1 TARN_NATIVE_DUMP="$work/code.bin" "$tvm" loop.tvm > out.txt & pid=$!
wait $pid
map=/tmp/perf-$pid.map
trap 'rm -f "$map"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
[ "$(cat out.txt)" = "$plain" ] && [ "$plain" = 500500 ] || fail "output changed: $(cat out.txt) / $plain"
[ -f "$map" ] || fail "no $map"
head -n 1 "$map" | grep -q ' tarn entry$' || fail "the map does not begin with the entry code"
grep -q ' tarn [0-9]* STOREW$' "$map" || fail "no STOREW in the map"
[ -s code.bin ] || fail "no code dump"
# Every symbol lies inside the dumped code, in increasing order.
python3 - "$map" code.bin <<'PY' || exit 1
import os, sys
rows = [l.split() for l in open(sys.argv[1])]
base = int(rows[0][0], 16); size = os.path.getsize(sys.argv[2]); last = -1
for r in rows:
    a, n = int(r[0], 16) - base, int(r[1], 16)
    if a < last or a + n > size: sys.exit("FAIL: symbol %s outside the code or out of order" % r)
    last = a
PY
python3 "$listing" "$map" code.bin > listing.txt || fail "listing failed"
grep -q '^ *[0-9]* ADD$' listing.txt || fail "no ADD in the listing"
# (a copy may come first: the left operand's register also keeps the variable s)
grep -A2 '^ *[0-9]* ADD$' listing.txt | grep -q 'add ' || fail "ADD has no host add"
echo ok
