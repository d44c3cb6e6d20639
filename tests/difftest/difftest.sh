#!/usr/bin/env bash
# The differential test of the engine's tiers: random programs from gen_program, compiled by
# tpc and run by tvm -a with the native tier and with the interpreter alone; their standard
# output, standard error, exit code and message-box line must be the same.
#
#   difftest.sh --gen GEN --tpc TPC --tvm TVM --work DIR [--from SEED] [--count N]
#
# A program that tpc refuses, or that runs into the time limit, is a failure too: the
# generator only writes valid programs that end. The files of a failing seed stay in DIR.
set -u
gen= tpc= tvm= work= from=1 count=50
while [ $# -gt 0 ]; do
    case "$1" in
        --gen) gen=$2; shift 2 ;;
        --tpc) tpc=$2; shift 2 ;;
        --tvm) tvm=$2; shift 2 ;;
        --work) work=$2; shift 2 ;;
        --from) from=$2; shift 2 ;;
        --count) count=$2; shift 2 ;;
        *) echo "difftest.sh: unknown option '$1'"; exit 2 ;;
    esac
done
[ -n "$gen" ] && [ -n "$tpc" ] && [ -n "$tvm" ] && [ -n "$work" ] || {
    echo "usage: difftest.sh --gen GEN --tpc TPC --tvm TVM --work DIR [--from SEED] [--count N]"; exit 2; }
absolute() { case "$1" in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
gen=$(absolute "$gen"); tpc=$(absolute "$tpc"); tvm=$(absolute "$tvm")
mkdir -p "$work" && cd "$work" || exit 2

failures=0 errors=0
rm -f messages
for seed in $(seq "$from" $((from + count - 1))); do
    "$gen" "$seed" > p.pas
    if ! "$tpc" -o p.tvm p.pas > p.clog 2>&1; then
        echo "seed $seed: tpc refused the program"; cp p.pas "fail-$seed.pas"; cat p.clog
        failures=$((failures + 1)); continue
    fi
    # The message-box line of a run-time error goes to a file of each tier instead of the
    # system log, and is compared too.
    for tier in native interp; do
        rm -f "$tier.box"
        TARN_TIER=$tier TARN_MESSAGE_BOX_FILE=$PWD/$tier.box timeout 20 "$tvm" -a p.tvm > "$tier.out" 2> "$tier.err"
        echo "exit $?" >> "$tier.out"
        touch "$tier.box"
    done
    # A run cut off by the time limit stops at a point that depends on speed, so that is
    # checked before the outputs are compared.
    if grep -q '^exit 124$' native.out interp.out; then
        echo "seed $seed: the program did not end in time"; cp p.pas "fail-$seed.pas"
        failures=$((failures + 1))
    elif ! cmp -s native.out interp.out || ! cmp -s native.err interp.err || ! cmp -s native.box interp.box; then
        echo "seed $seed: the tiers differ"
        cp p.pas "fail-$seed.pas"
        diff native.out interp.out | head -20
        diff native.err interp.err | head -10
        diff native.box interp.box | head -4
        failures=$((failures + 1))
    fi
    if grep -q '^ERROR:' native.out; then
        errors=$((errors + 1))
        sed -n 's/^ERROR: [^:]*: //p' native.out | head -1 >> messages
    fi
done
echo "difftest: $count programs from seed $from, $errors ended with a run-time error, $failures failed"
# Which run-time errors ended the programs: the generator should reach each kind now and then.
[ -s messages ] && sort messages | uniq -c | sort -rn
[ "$failures" -eq 0 ]
