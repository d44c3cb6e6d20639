#!/usr/bin/env bash
# Runs one program test case and compares what a user would see.
#
#   run_case.sh --tasm TASM --tvm TVM --tpc TPC [--tier TIER] --work DIR CASE
#
# --tier sets TARN_TIER for the run: interp runs the interpreter alone, default the engine's
# own choice (the native tier where the host has one).
# CASE is name.tasm (assembled with tasm) or name.pas (compiled with tpc, with the options
# listed one per line in name.opts). The image runs as `tvm name.tvm args...` inside the
# fresh directory DIR, so relative file names and paramstr(0) are the same on every machine.
# Beside the case: name.in (standard input), name.args (arguments, one per line; @CASEDIR@
# is the case's directory, so a program parameter can name a file beside the case),
# name.env (environment settings NAME=value for the run, one per line; @CASEDIR@ is the
# case's directory),
# name.out (expected standard output; absent means empty), name.exit (expected exit code;
# absent means 0), name.err (expected standard error; not compared when absent).
# Exit status: 0 pass, 1 fail.
set -u

tasm= tvm= tpc= work= tier=
while [ $# -gt 1 ]; do
    case "$1" in
        --tasm) tasm=$2; shift 2 ;;
        --tvm)  tvm=$2;  shift 2 ;;
        --tpc)  tpc=$2;  shift 2 ;;
        --work) work=$2; shift 2 ;;
        --tier) tier=$2; shift 2 ;;
        *) echo "run_case.sh: unknown option '$1'"; exit 1 ;;
    esac
done
if [ $# -ne 1 ] || [ -z "$work" ] || [ -z "$tvm" ]; then
    echo "usage: run_case.sh --tasm TASM --tvm TVM [--tpc TPC] --work DIR CASE"
    exit 1
fi

case "$tier" in
    '') ;;
    default) unset TARN_TIER ;;
    *) export TARN_TIER=$tier ;;
esac

# Programs run from inside the work directory, so every path is made absolute first.
absolute() { case "$1" in /*|'') echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
tasm=$(absolute "$tasm"); tvm=$(absolute "$tvm"); tpc=$(absolute "$tpc"); work=$(absolute "$work")
src=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
base=$(basename "$src")
name=${base%.*}
stem=${src%.*}
image=$name.tvm

rm -rf "$work"
mkdir -p "$work"

# Lines of a file as array elements (a missing final line feed still counts).
read_lines() {
    local -n into=$1
    into=()
    [ -f "$2" ] || return 0
    local line
    while IFS= read -r line || [ -n "$line" ]; do into+=("$line"); done < "$2"
}

build_image() {
    case "$base" in
        *.tasm)
            if ! "$tasm" "$src" -o "$work/$image" > "$work/build.log" 2>&1; then
                echo "FAIL: tasm could not assemble $src"
                cat "$work/build.log"
                exit 1
            fi ;;
        *.pas)
            if [ -z "$tpc" ] || [ ! -x "$tpc" ]; then
                echo "FAIL: no tpc to compile $src ('$tpc')"
                exit 1
            fi
            local opts
            read_lines opts "$stem.opts"
            if ! (cd "$work" && "$tpc" "${opts[@]}" "-o$image" "$src") > "$work/build.log" 2>&1; then
                echo "FAIL: tpc could not compile $src"
                cat "$work/build.log"
                exit 1
            fi ;;
        *)
            echo "run_case.sh: no rule for '$base'"
            exit 1 ;;
    esac
}

build_image

args=()
read_lines args "$stem.args"
args=("${args[@]//@CASEDIR@/$(dirname "$src")}")
settings=()
read_lines settings "$stem.env"
# @CASEDIR@ in a setting stands for the directory of the case (for files beside it).
settings=("${settings[@]//@CASEDIR@/$(dirname "$src")}")
input=/dev/null
[ -f "$stem.in" ] && input=$stem.in

(cd "$work" && exec env "${settings[@]}" "$tvm" "$image" "${args[@]}") < "$input" > "$work/stdout" 2> "$work/stderr"
code=$?

expected_code=0
[ -f "$stem.exit" ] && expected_code=$(tr -d ' \t\r\n' < "$stem.exit")
expected_out=/dev/null
[ -f "$stem.out" ] && expected_out=$stem.out

failed=0
if ! diff -u --label "expected stdout ($name.out)" --label "actual stdout" "$expected_out" "$work/stdout"; then
    failed=1
fi
if [ -f "$stem.err" ] && ! diff -u --label "expected stderr ($name.err)" --label "actual stderr" "$stem.err" "$work/stderr"; then
    failed=1
fi
if [ "$code" != "$expected_code" ]; then
    echo "exit code: expected $expected_code, got $code"
    failed=1
fi
if [ $failed -ne 0 ]; then
    echo "FAIL: $src (exit code $code, expected $expected_code; files in $work)"
    if [ ! -f "$stem.err" ] && [ -s "$work/stderr" ]; then
        echo "--- stderr:"
        cat "$work/stderr"
    fi
    exit 1
fi
exit 0
