#!/bin/sh
# make demo: assemble the example program, run it with the image runner, show its exit code.
set -e
BUILD=${1:-build}
BIN="$BUILD/bin"
OUT="$BUILD/examples"
mkdir -p "$OUT"
echo "== assembling examples/hello.tasm"
"$BIN/tasm" examples/hello.tasm -o "$OUT/hello.tvm"
echo "== running $OUT/hello.tvm with tvm"
set +e
"$BIN/tvm" "$OUT/hello.tvm"
code=$?
set -e
echo "== exit code: $code"
