#!/usr/bin/env bash
# Rebuilds the golden images: the image tpc writes today for every Pascal program of the test
# suite that compiles (tests/**/*.pas with their .opts, examples/*.pas, the shared benchmark
# programs that the suite does not already hold, copied into sources/, and the generated
# compile-benchmark program).
#
#   tests/golden/regenerate.sh BUILD_DIR        (e.g. build or build-asan)
#
# The ctests golden/<source> compile each source again and compare the image byte for byte
# (compile time zeroed, see image.sh). A change that alters code generation on purpose runs
# this script and commits the new images with the change, after checking with tdis that the
# differences are the intended ones; a refactoring must leave every image as it is.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?usage: regenerate.sh BUILD_DIR}" && pwd)
tpc=$build/bin/tpc
compilebench=$build/bin/compilebench
for tool in "$tpc" "$compilebench"; do
    [ -x "$tool" ] || { echo "regenerate.sh: $tool is missing; build tpc and compilebench" >&2; exit 1; }
done
. "$here/image.sh"

rm -rf "$here/images"
mkdir -p "$here/images"
manifest=$here/manifest.txt
: > "$manifest.new"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# golden NAME SOURCE: compiles SOURCE (a path relative to the root) into images/NAME.tvm,
# or images/NAME.tvm.gz when the image is large; a source with errors gets no image.
golden() {
    local name=$1 src=$2
    if ! compile_golden "$tpc" "$root/$src" "$tmp/image"; then
        echo "  no image: $src"
        return 0
    fi
    mkdir -p "$(dirname "$here/images/$name")"
    if [ "$(wc -c < "$tmp/image")" -gt 65536 ]; then
        gzip -9n < "$tmp/image" > "$here/images/$name.tvm.gz"
    else
        cp "$tmp/image" "$here/images/$name.tvm"
    fi
    echo "$name $src" >> "$manifest.new"
}

cd "$root"
for src in $(find tests examples -name '*.pas' -not -path 'tests/golden/*' | LC_ALL=C sort); do
    golden "${src%.pas}" "$src"
done
for src in tests/golden/sources/*.pas; do
    golden "shared_bench/$(basename "${src%.pas}")" "$src"
done
# The compile benchmark's program is generated: check.sh generates it again the same way.
"$compilebench" --source "$tmp/compilebench.pas"
mkdir -p "$tmp/gen" && mv "$tmp/compilebench.pas" "$tmp/gen/"
if compile_golden "$tpc" "$tmp/gen/compilebench.pas" "$tmp/image"; then
    gzip -9n < "$tmp/image" > "$here/images/compilebench.tvm.gz"
    echo "compilebench @compilebench" >> "$manifest.new"
else
    echo "regenerate.sh: the compile benchmark's program did not compile" >&2
    exit 1
fi
mv "$manifest.new" "$manifest"
echo "regenerate.sh: $(wc -l < "$manifest") images in $here/images"
