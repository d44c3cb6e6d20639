#!/bin/sh
# Takes the README's screenshot of tpidew: starts it on a virtual X display (Xvfb) with the
# sample project open, grabs the screen and stores it as docs/images/tpidew.png.
#   sh scripts/ide-screenshot.sh [BUILD_DIR]      (default: build)
set -eu
build=${1:-build}
tpidew=$build/bin/tpidew
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$tpidew" ]; then
    echo "ide-screenshot: $tpidew is missing; build it first (make)" >&2
    exit 1
fi
for tool in Xvfb import; do
    command -v $tool >/dev/null 2>&1 || { echo "ide-screenshot: $tool is missing (sh scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
ide_pid=""
cleanup() {
    [ -n "$ide_pid" ] && kill "$ide_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A display number nobody uses.
display=99
while [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1000x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

# The sample project: a copy of the example program with a project file beside it, and
# settings of their own (HOME), so the user's are not touched.
mkdir -p "$work/home" "$work/sample"
cp "$root/examples/hello.pas" "$work/sample/hello.pas"
cp "$root/ide/default/default.pas" "$work/sample/greeting.pas"
cp "$root/ide/default/default.tpj" "$work/sample/hello.tpj"
sed -i 's/^run=.*/run="hello.tvm" - Executable file/; s/^file=.*/file="hello.pas"/' "$work/sample/hello.tpj"
printf '[open]\n"greeting.pas",1,1,1\n"hello.pas",15,9,1\n[closed]\n' > "$work/sample/hello.idt"

HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" DISPLAY=:$display QT_QPA_PLATFORM=xcb \
    "$tpidew" "$work/sample/hello.tpj" >/dev/null 2>&1 &
ide_pid=$!
sleep 3
mkdir -p "$root/docs/images"
DISPLAY=:$display import -window root "$root/docs/images/tpidew.png"
echo "ide-screenshot: wrote docs/images/tpidew.png"
