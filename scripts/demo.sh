#!/bin/sh
# make demo: compile and run the example Pascal program, as an image under tvm and as a
# stand-alone executable; then assemble and run the hand-written image example.
set -e
BUILD=${1:-build}
BIN="$BUILD/bin"
OUT="$BUILD/examples"
mkdir -p "$OUT"
cp examples/hello.pas "$OUT/hello.pas"

echo "== compiling examples/hello.pas"
(cd "$OUT" && "../bin/tpc" hello.pas)
echo "== running hello.tvm with tvm"
"$BIN/tvm" "$OUT/hello.tvm"

echo "== compiling it into a stand-alone program and running that"
(cd "$OUT" && "../bin/tpc" -o hello.exe hello.pas >/dev/null && ./hello.exe)

echo "== assembling examples/hello.tasm and running it"
"$BIN/tasm" examples/hello.tasm -o "$OUT/hello-asm.tvm"
set +e
"$BIN/tvm" "$OUT/hello-asm.tvm"
code=$?
set -e
echo "== exit code of the assembled program: $code"
