#!/usr/bin/env bash
# Shared by regenerate.sh and check.sh: compiling one golden source into a stamp-free image.
#
# compile_golden TPC SOURCE OUT
#   Compiles SOURCE with the options of SOURCE's .opts file (one per line), from SOURCE's
#   own directory so that the source name recorded in the image is the bare file name, and
#   writes the image to OUT with its compile time (the six time_* header words) zeroed.
#   Returns tpc's exit status; the compiler's messages go to OUT.log.

compile_golden() {
    local tpc=$1 src=$2 out=$3
    local dir base opts=() line
    dir=$(cd "$(dirname "$src")" && pwd)
    base=$(basename "$src")
    if [ -f "${src%.*}.opts" ]; then
        while IFS= read -r line || [ -n "$line" ]; do opts+=("$line"); done < "${src%.*}.opts"
    fi
    rm -f "$out" "$out.raw"
    (cd "$dir" && "$tpc" "${opts[@]}" "-o$out.raw" "$base") > "$out.log" 2>&1 || return 1
    clear_stamp "$out.raw" "$out"
    local status=$?
    rm -f "$out.raw"
    return $status
}

# clear_stamp IN OUT: copies image IN to OUT with the time_* header words zeroed. The header
# starts after an optional "#!" line; its words follow the 5-byte magic, the word size byte
# and the byte-order byte, and the time words come after format_version and image_flags.
clear_stamp() {
    local in=$1 out=$2 start=0
    if [ "$(head -c 2 "$in")" = "#!" ]; then
        start=$(head -n 1 "$in" | wc -c)
    fi
    local stamp=$((start + 7 + 2 * 4)) length=$((6 * 4))
    {
        head -c "$stamp" "$in"
        head -c "$length" /dev/zero
        tail -c +$((stamp + length + 1)) "$in"
    } > "$out"
}
