#!/usr/bin/env bash
# Compiles one front-end case and compares what tpc says with what is expected.
#
#   compile_case.sh TPC CASE.pas
#
# The case is copied into a fresh directory and compiled there (so messages name it
# without a path and any output lands there) with the options in CASE.opts, one per line. Everything tpc prints is compared with
# CASE.out, except the two timing lines of the summary, which differ from run to run.
# Without CASE.out the case must compile with "0 error(s) and 0 warning(s) were issued.".
# The exit code must be the one in CASE.exit (0 when absent).
set -u
tpc=$1
src=$2
dir=$(cd "$(dirname "$src")" && pwd)
base=$(basename "$src")
stem=${base%.pas}
opts=()
if [ -f "$dir/$stem.opts" ]; then
    while IFS= read -r line || [ -n "$line" ]; do opts+=("$line"); done < "$dir/$stem.opts"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
actual=$work/messages
cp "$dir/$base" "$work/"
(cd "$work" && "$tpc" "${opts[@]}" "$base") 2>&1 \
    | grep -v -e ' lines compiled in ' -e '^Compilation speed ' > "$actual"
code=${PIPESTATUS[0]}
failed=0
if [ -f "$dir/$stem.out" ]; then
    diff -u --label "expected ($stem.out)" --label actual "$dir/$stem.out" "$actual" || failed=1
elif ! grep -qx '0 error(s) and 0 warning(s) were issued.' "$actual"; then
    echo "expected a clean compilation:"; cat "$actual"; failed=1
fi
expected_code=0
[ -f "$dir/$stem.exit" ] && expected_code=$(tr -d ' \t\r\n' < "$dir/$stem.exit")
# Every valid program gets its image: a clean compilation that names a construct without
# code ("not available in this build") fails the case, and so does one that wrote no image.
note='^tpc: code generation for .* is not available in this build; no image was written\.$'
if [ "$expected_code" = 0 ] && grep -qx '0 error(s) and 0 warning(s) were issued.' "$actual"; then
    if grep -q "$note" "$actual"; then
        echo "tpc wrote no image for a valid program:"; grep "$note" "$actual"; failed=1
    elif ! ls "$work"/*.tvm >/dev/null 2>&1; then
        echo "a clean compilation wrote no image"; failed=1
    fi
fi
if [ "$code" != "$expected_code" ]; then
    echo "exit code: expected $expected_code, got $code"; failed=1
fi
exit $failed
