#!/usr/bin/env bash
# Runs one service-launcher case: service executables built with `tpc -gs`, their
# command-line actions against a temporary unit directory ($TARN_SERVICE_DIR), and runs as
# a service with a test NOTIFY_SOCKET that notify_listen records. No systemd is needed.
#
#   service_test.sh CASE SERVICE_APP TPC NOTIFY_LISTEN SOURCE_DIR EXAMPLES_DIR WORK_DIR
set -u
case_name=$1 service_app=$2 tpc=$3 listen=$4 src=$5 examples=$6 work=$7

rm -rf "$work"
mkdir -p "$work/units"
cd "$work" || exit 1
unset LD_LIBRARY_PATH NOTIFY_SOCKET
export TARN_SERVICE_DIR=$work/units
units=$TARN_SERVICE_DIR

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
    if [ "$2" != "$3" ]; then
        fail "$1"
        printf '  expected: %q\n  actual:   %q\n' "$2" "$3"
    fi
}

# build SOURCE EXE: a service executable, as a user builds it.
build() {
    "$tpc" -gs -o "$2" "$1" > "$work/tpc.out" || { cat "$work/tpc.out"; echo "tpc failed on $1"; exit 1; }
}

# run EXE ARGS...: sets err (standard error), out (standard output) and code.
run() {
    out=$(timeout 60 "$@" 2> "$work/stderr"; echo "#$?")
    code=${out##*#}
    out=${out%#*}
    err=$(cat "$work/stderr"; echo "#")
    err=${err%#}
}

# field UNIT SECTION KEY: the values of KEY in SECTION of the unit file, one a line.
field() {
    awk -v want="[$2]" -v key="$3" '
        /^\[/ { section = $0; next }
        section == want && index($0, key "=") == 1 { print substr($0, length(key) + 2) }
    ' "$units/$1.service"
}

# expect_fields UNIT "SECTION KEY=VALUE"...: every field listed has exactly that value; a
# field listed with an empty value must be absent.
expect_fields() {
    local unit=$1; shift
    local wanted section rest key value
    for wanted in "$@"; do
        section=${wanted%% *} rest=${wanted#* }
        key=${rest%%=*} value=${rest#*=}
        expect_eq "$unit [$section] $key" "$value" "$(field "$unit" "$section" "$key")"
    done
}

# listen_start [SOCKET]: a notify socket for one run (by default $work/notify.sock);
# listen_log: what it received so far.
listen_start() {
    local socket=${1:-$work/notify.sock}
    rm -f "$work/notify.log"
    "$listen" "$socket" "$work/notify.log" 90 &
    listener=$!
    for _ in $(seq 50); do
        if [ "${socket:0:1}" = @ ]; then
            grep -q -F " $socket" /proc/net/unix && return
        else
            [ -S "$socket" ] && return
        fi
        sleep 0.1
    done
    echo "notify_listen did not start"; exit 1
}
listen_stop() { kill "$listener" 2> /dev/null; wait "$listener" 2> /dev/null; }
listen_log() { cat "$work/notify.log" 2> /dev/null; }

ready_reports_are() { [ "$(grep -c -x 'READY=1' "$work/notify.log")" = "$1" ]; }

# wait_for WHAT SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
    local what=$1 limit=$2; shift 2
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    fail "timed out waiting for $what"
    return 1
}

syntax_text=$(cat "$src/syntax.txt"; echo "#")
syntax_text=${syntax_text%#}
change_syntax_text=$(cat "$src/change_syntax.txt"; echo "#")
change_syntax_text=${change_syntax_text%#}

case $case_name in
syntax)
    build "$src/show_args.pas" svc.exe
    for form in -help /help -HELP -h /H -? /? ?; do
        run ./svc.exe "$form"
        expect_eq "syntax for $form" "$syntax_text" "$err"
        expect_eq "stdout for $form" "" "$out"
        expect_eq "exit code for $form" 0 "$code"
    done
    for args in "-install" "/install a b c d" "-delete" "-delete a b"; do
        # shellcheck disable=SC2086
        run ./svc.exe $args
        expect_eq "syntax for '$args'" "$syntax_text" "$err"
        expect_eq "exit code for '$args'" 0 "$code"
    done
    for args in "-change" "/CHANGE MySvc"; do
        # shellcheck disable=SC2086
        run ./svc.exe $args
        expect_eq "change syntax for '$args'" "$change_syntax_text" "$err"
        expect_eq "exit code for '$args'" 0 "$code"
    done
    expect_eq "no unit written" "" "$(ls -A "$units")"
    ;;
install)
    build "$src/show_args.pas" svc.exe
    exe=$(readlink -f svc.exe)
    run ./svc.exe -install MySvc
    expect_eq "install message" "Installing service MySvc from \"$exe\"
" "$err"
    expect_eq "install exit code" 0 "$code"
    expect_fields MySvc "Unit Description=MySvc" "Unit After=" "Unit Requires=" "Unit PartOf=" \
        "Service Type=notify" "Service ExecStart=\"$exe\"" "Service User=" "Service Restart=no" \
        "Service X-Tarn-ErrorControl=normal" "Install WantedBy="
    expect_eq "no enable link" "" "$(ls -A "$units" | grep -v '^MySvc.service$')"

    before=$(cat "$units/MySvc.service")
    other_build=$work/other
    mkdir -p "$other_build"
    build "$src/show_args.pas" "$other_build/other.exe"
    run "$other_build/other.exe" /Install MySvc
    expect_eq "existing unit refused" "Installing service MySvc from \"$other_build/other.exe\"
ERROR: Can not create service
ERROR: $units/MySvc.service already exists; delete it first or use -change
" "$err"
    expect_eq "existing unit exit code" 1 "$code"
    expect_eq "existing unit unchanged" "$before" "$(cat "$units/MySvc.service")"

    run ./svc.exe -install Worker daemon secret
    expect_eq "user and password" "Installing service Worker from \"$exe\"
NOTE: The password is ignored: systemd starts the service as the user without one
" "$err"
    expect_fields Worker "Service User=daemon" "Unit Description=Worker"
    expect_eq "password not written" "" "$(grep -r secret "$units")"

    run ./svc.exe -install Named.service
    expect_eq "a name with .service is the unit name" "yes" "$([ -f "$units/Named.service" ] && echo yes)"

    for bad in "a/b" "../escape" ".." "my svc" 'x;touch pwned' '$(touch pwned)' '.hidden' \
               '-dash' 'a`b`' 'tab	name' 'ünï'; do
        run ./svc.exe -install "$bad"
        expect_eq "bad name '$bad' message" "ERROR: Invalid service name '$bad': use letters, digits and '-', '_', '.', ':' only, not starting with '.' or '-'
" "$err"
        expect_eq "bad name '$bad' exit code" 1 "$code"
    done
    run ./svc.exe -install "$(printf 'n%.0s' $(seq 250))"
    expect_eq "overlong name exit code" 1 "$code"
    run ./svc.exe -install Bad daemon:root
    expect_eq "bad user" "ERROR: Invalid user name 'daemon:root'
" "$err"
    expect_eq "nothing else written" "MySvc.service Named.service Worker.service" "$(ls -A "$units" | tr '\n' ' ' | sed 's/ $//')"
    expect_eq "nothing written outside" "" "$(ls -A "$work" | grep -v -x -e units -e svc.exe -e other -e stderr -e tpc.out)"
    ;;
change)
    build "$src/show_args.pas" svc.exe
    ./svc.exe -install MySvc 2> /dev/null
    # a line someone added by hand survives every change
    sed -i 's/^\[Service\]$/[Service]\nEnvironment=LANG=C/' "$units/MySvc.service"
    link=$units/multi-user.target.wants/MySvc.service

    run ./svc.exe -change MySvc start auto
    expect_eq "start auto: quiet" "" "$err"
    expect_eq "start auto: exit code" 0 "$code"
    expect_fields MySvc "Install WantedBy=multi-user.target" "Service Environment=LANG=C"
    expect_eq "start auto: enable link" "$(readlink -f "$units/MySvc.service")" "$(readlink "$link")"
    run ./svc.exe -change MySvc START Demand
    expect_fields MySvc "Install WantedBy=" "Service Type=notify"
    expect_eq "start demand: link removed" "no" "$([ -L "$link" ] && echo yes || echo no)"

    for e in ignore:no normal:no severe:on-failure critical:on-failure; do
        run ./svc.exe -change MySvc error "${e%%:*}"
        expect_eq "error ${e%%:*}: exit code" 0 "$code"
        expect_fields MySvc "Service X-Tarn-ErrorControl=${e%%:*}" "Service Restart=${e#*:}"
    done

    run ./svc.exe -change MySvc group Backends
    expect_fields MySvc "Unit PartOf=Backends.target" "Unit After=Backends.target" "Unit X-Tarn-Group=Backends"
    run ./svc.exe -change MySvc depend db,+net,network-online.target
    expect_fields MySvc "Unit After=Backends.target db.service net.target network-online.target" \
        "Unit Requires=db.service net.target network-online.target" \
        "Unit X-Tarn-Dependencies=db,+net,network-online.target" "Unit PartOf=Backends.target"
    run ./svc.exe -change MySvc group
    expect_fields MySvc "Unit PartOf=" "Unit X-Tarn-Group=" \
        "Unit After=db.service net.target network-online.target"
    run ./svc.exe -change MySvc depend
    expect_fields MySvc "Unit After=" "Unit Requires=" "Unit X-Tarn-Dependencies="

    run ./svc.exe -change MySvc display "Log writer: 100% busy"
    expect_fields MySvc "Unit Description=Log writer: 100%% busy"
    run ./svc.exe -change MySvc error critical
    expect_fields MySvc "Unit Description=Log writer: 100%% busy" "Service Environment=LANG=C" \
        "Service ExecStart=\"$(readlink -f svc.exe)\"" "Service Type=notify"

    before=$(cat "$units/MySvc.service")
    for args in "start" "start later" "start auto now" "error" "error fatal" "display" \
                "group a b" "color blue"; do
        # shellcheck disable=SC2086
        run ./svc.exe -change MySvc $args
        expect_eq "'$args': change syntax" "$change_syntax_text" "$err"
        expect_eq "'$args': exit code" 0 "$code"
    done
    run ./svc.exe -change MySvc group "$(printf 'g%.0s' $(seq 261))"
    expect_eq "long group" "ERROR: Load ordering group name too long
" "$err"
    expect_eq "long group exit code" 1 "$code"
    run ./svc.exe -change MySvc depend "$(printf 'd%.0s' $(seq 1025))"
    expect_eq "long dependency list" "ERROR: Load dependenct list too long
" "$err"
    run ./svc.exe -change MySvc display "$(printf 'x%.0s' $(seq 256))"
    expect_eq "long display name" "ERROR: Display name too long
" "$err"
    run ./svc.exe -change MySvc display "two
lines"
    expect_eq "display name with a line end" "ERROR: Invalid display name: it must not hold control characters or line ends
" "$err"
    run ./svc.exe -change MySvc group "../x"
    expect_eq "bad group" "ERROR: Invalid load ordering group name '../x': use letters, digits and '-', '_', '.', ':' only, not starting with '.' or '-'
" "$err"
    run ./svc.exe -change MySvc depend "a,,b"
    expect_eq "empty dependency" 1 "$code"
    run ./svc.exe -change MySvc depend "a, b"
    expect_eq "dependency with a blank" 1 "$code"
    expect_eq "refused changes leave the unit alone" "$before" "$(cat "$units/MySvc.service")"

    run ./svc.exe -change Missing start auto
    expect_eq "missing unit" "ERROR: Can not open service
ERROR: $units/Missing.service: no such unit file
" "$err"
    expect_eq "missing unit exit code" 1 "$code"
    printf '[Unit]\nDescription=Someone else\n\n[Service]\nExecStart=/bin/true\n' > "$units/foreign.service"
    run ./svc.exe -change foreign display Mine
    expect_eq "foreign unit" "ERROR: Can not open service
ERROR: $units/foreign.service was not installed by service.app; it is left alone
" "$err"
    expect_eq "foreign unit unchanged" "Someone else" "$(field foreign Unit Description)"
    expect_eq "no temporary files left" "" "$(ls -A "$units" | grep '^\.')"
    ;;
delete)
    build "$src/show_args.pas" svc.exe
    ./svc.exe -install MySvc 2> /dev/null
    ./svc.exe -change MySvc start auto 2> /dev/null
    run ./svc.exe -delete MySvc
    expect_eq "delete message" "Deleting service MySvc
" "$err"
    expect_eq "delete exit code" 0 "$code"
    expect_eq "unit and link gone" "" "$(find "$units" \( -type f -o -type l \) -print)"
    run ./svc.exe /DELETE MySvc
    expect_eq "delete again" "Deleting service MySvc
ERROR: Can not open service
ERROR: $units/MySvc.service: no such unit file
" "$err"
    expect_eq "delete again exit code" 1 "$code"
    printf '[Service]\nExecStart=/bin/true\n' > "$units/foreign.service"
    run ./svc.exe -delete foreign
    expect_eq "foreign unit kept" "yes" "$([ -f "$units/foreign.service" ] && echo yes)"
    expect_eq "foreign unit exit code" 1 "$code"
    run ./svc.exe -delete ../units/foreign
    expect_eq "path as a name" 1 "$code"
    expect_eq "foreign unit still kept" "yes" "$([ -f "$units/foreign.service" ] && echo yes)"
    ;;
unwritable)
    build "$src/show_args.pas" svc.exe
    exe=$(readlink -f svc.exe)
    TARN_SERVICE_DIR=$work/missing run ./svc.exe -install MySvc
    expect_eq "missing directory" "Installing service MySvc from \"$exe\"
ERROR: Can not open SC Manager
ERROR: $work/missing: No such file or directory
" "$err"
    expect_eq "missing directory exit code" 1 "$code"
    # A write that fails half-way (a file size limit of 0 blocks) leaves no file behind.
    out=$( (trap '' XFSZ; ulimit -f 0; exec ./svc.exe -install MySvc) 2>&1; echo "#$?")
    expect_eq "failed write exit code" 1 "${out##*#}"
    expect_eq "failed write message" "yes" "$(grep -q -x 'ERROR: Can not create service' <<< "$out" && echo yes)"
    expect_eq "failed write leaves nothing" "" "$(ls -A "$units")"
    if [ "$(id -u)" -ne 0 ]; then
        chmod 555 "$units"
        run ./svc.exe -install MySvc
        expect_eq "read-only directory" "Installing service MySvc from \"$exe\"
ERROR: Can not open SC Manager
ERROR: $units: Permission denied
" "$err"
        expect_eq "read-only directory exit code" 1 "$code"
        chmod 755 "$units"
    fi
    ;;
no_image)
    cp "$service_app" plain.exe
    run ./plain.exe
    expect_eq "stdout" "[TARNRUN] ERROR: Invalid executable." "${out%$'\n'}"
    expect_eq "exit code" 1 "$code"
    ;;
build)
    # tpc -gs writes a copy of service.app with the image appended.
    build "$src/show_args.pas" svc.exe
    size=$(stat -c %s "$service_app")
    expect_eq "launcher part" "same" "$(cmp -s -n "$size" "$service_app" svc.exe && echo same)"
    expect_eq "image appended" "yes" "$([ "$(stat -c %s svc.exe)" -gt "$size" ] && echo yes)"
    expect_eq "executable" "yes" "$([ -x svc.exe ] && echo yes)"
    NOTIFY_SOCKET=$work/nobody-listens run ./svc.exe one "two words"
    expect_eq "arguments, environment and stop event" "paramcount 2
paramstr 0 [$(readlink -f svc.exe)]
paramstr 1 [one]
paramstr 2 [two words]
NOTIFY_SOCKET []
stop event given
stop event not set
" "$out"
    expect_eq "exit code of the program" 7 "$code"
    ;;
run)
    build "$examples/logservice.pas" logservice.exe
    listen_start
    NOTIFY_SOCKET=$work/notify.sock ./logservice.exe "$work/service.log" 2> "$work/stderr" &
    pid=$!
    wait_for "READY=1" 20 grep -q -x 'READY=1' "$work/notify.log"
    wait_for "two log lines" 20 grep -q running "$work/service.log"
    kill -TERM "$pid"
    wait "$pid"
    code=$?
    sleep 0.3
    listen_stop
    expect_eq "exit code" 0 "$code"
    expect_eq "reports" "STATUS=Start pending
EXTEND_TIMEOUT_USEC=8000000
--
READY=1
STATUS=Running
--
STOPPING=1
STATUS=Stop pending
EXTEND_TIMEOUT_USEC=20000000
--
STATUS=Stopped
--" "$(listen_log)"
    log=$(sed 's/^[0-9-]* [0-9:]* //' "$work/service.log")
    expect_eq "log begins" "started" "$(head -1 <<< "$log")"
    expect_eq "log ends with the stop" "stopped" "$(tail -1 <<< "$log")"
    expect_eq "log in between" "" "$(sed '1d;$d' <<< "$log" | grep -v -x running)"
    expect_eq "timestamps" "" "$(grep -v -E '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ' "$work/service.log")"
    expect_eq "nothing on stderr" "" "$(cat "$work/stderr")"
    ;;
ends_by_itself)
    # A program that returns without a stop request; the socket is an abstract one.
    build "$src/show_args.pas" svc.exe
    socket="@tarn-service-test-$$"
    listen_start "$socket"
    NOTIFY_SOCKET=$socket run ./svc.exe
    sleep 0.3
    listen_stop
    expect_eq "exit code of the program" 7 "$code"
    expect_eq "reports" "STATUS=Start pending
EXTEND_TIMEOUT_USEC=8000000
--
READY=1
STATUS=Running
--
STATUS=Stopped
--" "$(listen_log)"
    ;;
stop_ignored)
    # A program that does not look at the stop event: 20 seconds after the stop request the
    # service reports running again; the program later returns on its own.
    build "$src/ignore_stop.pas" ignore.exe
    listen_start
    NOTIFY_SOCKET=$work/notify.sock ./ignore.exe "$work/service.log" &
    pid=$!
    wait_for "READY=1" 20 grep -q -x 'READY=1' "$work/notify.log"
    wait_for "the first tick" 20 grep -q tick "$work/service.log"
    kill -TERM "$pid"
    asked=$(date +%s)
    wait_for "STOPPING=1" 5 grep -q -x 'STOPPING=1' "$work/notify.log"
    wait_for "running again" 40 ready_reports_are 2
    again=$(date +%s)
    elapsed=$((again - asked))
    expect_eq "running again after about 20 s (took ${elapsed} s)" "yes" \
        "$([ "$elapsed" -ge 19 ] && [ "$elapsed" -le 23 ] && echo yes)"
    expect_eq "still running" "yes" "$(kill -0 "$pid" 2> /dev/null && echo yes)"
    wait "$pid"
    code=$?
    sleep 0.3
    listen_stop
    expect_eq "exit code" 0 "$code"
    expect_eq "the program ran to its end, the stop event set" "tick 25
stop event set" "$(tail -2 "$work/service.log")"
    expect_eq "last report" "STATUS=Stopped" "$(listen_log | grep -v -x -- -- | tail -1)"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed in $case_name"
    exit 1
fi
echo "ok: $case_name"
