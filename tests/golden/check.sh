#!/usr/bin/env bash
# One golden-image test: compiles a source with today's tpc and compares the image byte for
# byte with the one kept in tests/golden/images (compile time zeroed in both).
#
#   check.sh --tpc TPC --compilebench COMPILEBENCH --work DIR NAME SOURCE
#
# SOURCE is relative to the repository root, or @compilebench for the generated benchmark
# program. Exit status: 0 same image, 1 different or not compiled.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tpc= compilebench= work=
while [ $# -gt 2 ]; do
    case "$1" in
        --tpc) tpc=$2; shift 2 ;;
        --compilebench) compilebench=$2; shift 2 ;;
        --work) work=$2; shift 2 ;;
        *) echo "check.sh: unknown option '$1'"; exit 1 ;;
    esac
done
name=$1 src=$2
. "$here/image.sh"
rm -rf "$work" && mkdir -p "$work"

if [ "$src" = "@compilebench" ]; then
    mkdir -p "$work/gen"
    "$compilebench" --source "$work/gen/compilebench.pas" || exit 1
    src=$work/gen/compilebench.pas
else
    src=$root/$src
fi
if ! compile_golden "$tpc" "$src" "$work/image.tvm"; then
    echo "FAIL: tpc did not compile $src"
    cat "$work/image.tvm.log"
    exit 1
fi
if [ -f "$here/images/$name.tvm.gz" ]; then
    gzip -dc "$here/images/$name.tvm.gz" > "$work/golden.tvm"
else
    cp "$here/images/$name.tvm" "$work/golden.tvm"
fi
if cmp -s "$work/golden.tvm" "$work/image.tvm"; then
    rm -rf "$work"
    exit 0
fi
echo "FAIL: the image of $src differs from tests/golden/images/$name"
cmp "$work/golden.tvm" "$work/image.tvm" | head -n 1
echo "(both are in $work: compare them with tdis; run tests/golden/regenerate.sh only when"
echo " the change to code generation is intended)"
exit 1
