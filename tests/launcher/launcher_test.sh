#!/usr/bin/env bash
# Runs one console-launcher case: executables built the way the compiler builds them (a
# copy of console.app with an image appended, or carried in a .tarn_image section), run
# from a fresh directory and checked for what a user sees: standard output, exit code, the
# log file and the message-box destination (redirected with TARN_MESSAGE_BOX_FILE).
#
#   launcher_test.sh CASE CONSOLE_APP TASM SOURCE_DIR WORK_DIR BUILD_DIR TPC TVM INSTALL_PREFIX
set -u
case_name=$1 console=$2 tasm=$3 src=$4 work=$5 build=$6 tpc=$7 tvm=$8 install_prefix=$9

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
unset LD_LIBRARY_PATH
export TARN_MESSAGE_BOX_FILE=$work/messagebox

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
    if [ "$2" != "$3" ]; then
        fail "$1"
        printf '  expected: %q\n  actual:   %q\n' "$2" "$3"
    fi
}

# build NAME EXE [LAUNCHER]: assembles NAME.tasm and appends it to a launcher copy.
build() {
    "$tasm" "$src/$1.tasm" -o "$work/$1.tvm" || { echo "tasm failed on $1.tasm"; exit 1; }
    cp "${3:-$console}" "$2" && cat "$work/$1.tvm" >> "$2" && chmod 755 "$2"
}

# run EXE ARGS...: runs with standard output captured; sets out and code.
run() {
    out=$(timeout 60 "$@"; echo "#$?")
    code=${out##*#}
    out=${out%#*}
}

# Starts EXE in the background, sends SIGNAL once it is looping, and collects the result.
# The program itself gets the signal (no wrapper in between); a watchdog ends it if the
# signal does not.
run_and_signal() {
    local sig=$1; shift
    "$@" > "$work/signal.out" &
    local pid=$!
    (
        sleep 30 & nap=$!
        trap 'kill $nap; exit 0' TERM
        wait $nap
        kill -KILL "$pid"
    ) > /dev/null 2>&1 &
    local watchdog=$!
    sleep 1
    kill "-$sig" "$pid"
    wait "$pid"
    code=$?
    kill "$watchdog" 2> /dev/null
    wait "$watchdog" 2> /dev/null
    out=$(cat "$work/signal.out"; echo "#")
    out=${out%#}
}

case $case_name in
no_image)
    cp "$console" plain.exe
    run ./plain.exe
    expect_eq "stdout" $'[TARNRUN] ERROR: Invalid executable.\n' "$out"
    expect_eq "exit code" 1 "$code"
    # ELF section-header fields zeroed: the end of the ELF contents cannot be measured.
    build args damaged.exe
    printf '\0\0\0\0\0\0\0\0' | dd of=damaged.exe bs=1 seek=40 conv=notrunc status=none
    run ./damaged.exe
    expect_eq "stdout of a damaged executable" $'[TARNRUN] ERROR: Invalid executable.\n' "$out"
    expect_eq "exit code of a damaged executable" 1 "$code"
    ;;
arguments)
    build args prog.exe
    run ./prog.exe one "two words" three
    expect_eq "exit code (3 = paramcount 3 and every paramstr as expected)" 3 "$code"
    run ./prog.exe
    expect_eq "exit code without arguments (paramstr 2 is empty)" 11 "$code"
    ;;
section_image)
    command -v objcopy > /dev/null || { echo "objcopy not available"; exit 77; }
    "$tasm" "$src/args.tasm" -o args.tvm || exit 1
    objcopy --add-section .tarn_image=args.tvm "$console" prog.exe || exit 1
    chmod 755 prog.exe
    run ./prog.exe one "two words" three
    expect_eq "exit code of the image in the section" 3 "$code"
    ;;
log_file)
    report=$'\nERROR: line 7, Division by zero\n'
    build report_all prog.exe
    run ./prog.exe
    expect_eq "stdout" "$report" "$out"
    expect_eq "exit code" 1 "$code"
    expect_eq "prog.log" "${report}x" "$(cat prog.log 2>&1; echo x)"
    run ./prog.exe
    expect_eq "prog.log after two runs (appended)" "${report}${report}x" "$(cat prog.log; echo x)"
    # An executable named *.log gets no log file (and is never written to itself).
    build report_all x.log
    size=$(stat -c %s x.log)
    run ./x.log
    expect_eq "stdout of x.log" "$report" "$out"
    expect_eq "size of x.log after the run" "$size" "$(stat -c %s x.log)"
    expect_eq "files named x.log*" "x.log" "$(ls x.log*)"
    # A log file that cannot be opened is skipped silently.
    mkdir -p ro && build report_all ro/prog.exe && mkdir ro/prog.log
    run ./ro/prog.exe 2> stderr.txt
    expect_eq "stdout with an unwritable log" "$report" "$out"
    expect_eq "stderr with an unwritable log" "" "$(cat stderr.txt)"
    expect_eq "exit code with an unwritable log" 1 "$code"
    ;;
message_box)
    build report_all prog.exe
    run ./prog.exe
    expect_eq "message box line" "ERROR: line 7: Division by zero" "$(cat messagebox)"
    rm -f messagebox prog.log
    build report_none quiet.exe
    run ./quiet.exe
    expect_eq "stdout with screen reports off" "" "$out"
    expect_eq "exit code with every report off" 1 "$code"
    expect_eq "message box with it off" "absent" "$([ -e messagebox ] && echo present || echo absent)"
    expect_eq "log file never switched on" "absent" "$([ -e quiet.log ] && echo present || echo absent)"
    ;;
user_break)
    build loop prog.exe
    for sig in INT TERM HUP; do
        run_and_signal $sig ./prog.exe
        expect_eq "stdout after SIG$sig" $'\nERROR: line 5, User abort\n' "$out"
        expect_eq "exit code after SIG$sig (ExitCode left 0)" 0 "$code"
    done
    run_and_signal INT ./prog.exe a b
    expect_eq "exit code after SIGINT with ExitCode 2" 2 "$code"
    expect_eq "message box after SIGINT" "ERROR: line 5: User abort" "$(tail -n 1 messagebox)"
    ;;
faults)
    build overflow fpe.exe
    run ./fpe.exe
    expect_eq "stdout of a floating-point overflow" $'\nERROR: line 4, Invalid arithmetic\n' "$out"
    expect_eq "exit code of a floating-point overflow" 1 "$code"
    build fault segv.exe
    run ./segv.exe
    expect_eq "stdout of a fault in the VM window" $'\nERROR: line 3, Invalid memory access\n' "$out"
    expect_eq "exit code of a fault in the VM window" 1 "$code"
    build loop prog.exe
    for pair in "SEGV:Invalid memory access" "FPE:Invalid arithmetic" "ABRT:Abort signal" "ILL:Invalid instruction"; do
        sig=${pair%%:*} text=${pair#*:}
        run_and_signal "$sig" ./prog.exe
        expect_eq "stdout after SIG$sig" $'\nERROR: line 5, '"$text"$'\n' "$out"
        expect_eq "exit code after SIG$sig" 1 "$code"
    done
    ;;
broken_pipe)
    # A reader that goes away is a failed write (error 13), not a lost process: the run
    # ends with its report and exit code 1, and every file it wrote is complete.
    "$tpc" -rtlf -o pipe.exe "$src/pipe.pas" > tpc.out || { cat tpc.out; exit 1; }
    "$tpc" -rtlf -o pipe.tvm "$src/pipe.pas" > tpc.out || { cat tpc.out; exit 1; }
    for runner in "./pipe.exe" "$tvm pipe.tvm"; do
        rm -f data.txt
        $runner | head -n 1 > head.out
        code=${PIPESTATUS[0]}
        expect_eq "exit code of $runner into a closed pipe" 1 "$code"
        expect_eq "bytes in data.txt after $runner" 5000 "$(stat -c %s data.txt)"
        expect_eq "what the reader got from $runner" "1" "$(tr -d ' ' < head.out)"
        expect_eq "log of the failed write" $'\nERROR: line 9, Write failure\nx' "$(cat pipe.log; echo x)"
        rm -f pipe.log
    done
    ;;
relocated)
    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" > install.log 2>&1 || { cat install.log; fail "cmake --install"; exit 1; }
    build args "$prefix/bin/prog.exe" "$prefix/bin/console.app"
    mkdir elsewhere && cd elsewhere || exit 1
    run "$prefix/bin/prog.exe" one "two words" three
    # Every check but paramstr 0, which is the full path as typed here, not ./prog.exe.
    expect_eq "exit code of the installed copy run from another directory" 12 "$code"
    ldd "$prefix/bin/prog.exe" | grep -q "libtarnrt26.so => $prefix/" \
        || fail "the installed copy does not load the installed engine: $(ldd "$prefix/bin/prog.exe" | grep tarnrt)"
    # A copy moved to another directory of the installation finds the engine through
    # $ORIGIN/../lib.
    mkdir -p "$prefix/apps"
    build args "$prefix/apps/prog.exe" "$prefix/bin/console.app"
    cd "$prefix/apps" || exit 1
    run ./prog.exe one "two words" three
    expect_eq "exit code of a copy in another directory of the installation" 3 "$code"
    ;;
installed_kit)
    # The kit installed into the prefix it was configured for; its tpc builds a program
    # in a directory of its own, which then runs from yet another directory.
    case $install_prefix in
        "$build"/*) ;;
        *) echo "the build's install prefix $install_prefix is outside the build tree"; exit 77 ;;
    esac
    rm -rf "$install_prefix"
    cmake --install "$build" > install.log 2>&1 || { cat install.log; fail "cmake --install"; exit 1; }
    mkdir -p src out there
    cp "$src/../../examples/hello.pas" src/
    (cd src && "$install_prefix/bin/tpc" -o ../out/h.exe hello.pas > tpc.out \
        && "$install_prefix/bin/tpc" hello.pas > tpc.out) || { cat src/tpc.out; fail "installed tpc"; exit 1; }
    cd there || exit 1
    run ../out/h.exe
    expect_eq "exit code of a program built by the installed kit" 0 "$code"
    expected=$("$install_prefix/bin/tvm" ../src/hello.tvm; echo x)
    expect_eq "its output, as the installed tvm runs the image" "${expected%x}" "$out"
    [ -n "$out" ] || fail "the program printed nothing"
    ldd ../out/h.exe | grep -q "libtarnrt26.so => $install_prefix/" \
        || fail "the program does not load the installed engine: $(ldd ../out/h.exe | grep tarnrt)"
    # The servers that come with the kit are registered by the installation alone: no
    # registry variable, no user or system registry (HOME is empty here).
    grep -q "^Tarn.Dictionary = " "$install_prefix/share/tarn/automation.conf" \
        || fail "the installed kit registry does not list Tarn.Dictionary"
    cp "$src/../../examples/objects.pas" ../src/
    (cd ../src && "$install_prefix/bin/tpc" objects.pas > tpc.out) \
        || { cat ../src/tpc.out; fail "installed tpc (objects.pas)"; exit 1; }
    mkdir -p home tmp
    run env -u TARN_AUTOMATION_REGISTRY HOME="$PWD/home" TMPDIR="$PWD/tmp" \
        "$install_prefix/bin/tvm" ../src/objects.tvm
    expect_eq "exit code of examples/objects.pas under the installed kit" 0 "$code"
    case $out in
        "5 different words"*"folder removed:     true"*) ;;
        *) fail "examples/objects.pas: unexpected output"; printf '%s\n' "$out" ;;
    esac
    ;;
*)
    echo "unknown case $case_name"; exit 1 ;;
esac

[ $failures -eq 0 ] || { echo "$failures check(s) failed in $case_name (files in $work)"; exit 1; }
echo "PASS: $case_name"
