#!/usr/bin/env bash
# Stands in for tvm in the harness's own tests: reports what the harness handed it.
if [ -s "$1" ]; then echo "image $1"; else echo "no image $1"; fi
shift
for a in "$@"; do echo "arg [$a]"; done
while IFS= read -r line; do echo "in [$line]"; done
echo "to stderr" >&2
exit 3
