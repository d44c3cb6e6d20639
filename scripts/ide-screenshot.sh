#!/bin/sh
# Takes the README's pictures of tpidew on a virtual X display (Xvfb): the frame with the
# example program and the "Compiler Messages" window after compiling it
# (docs/images/tpidew.png), and the console window after running it
# (docs/images/tpidew-console.png).
#   sh scripts/ide-screenshot.sh [BUILD_DIR]      (default: build)
set -eu
build=${1:-build}
shots=$build/bin/ide_screenshots
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$shots" ]; then
    echo "ide-screenshot: $shots is missing; build it first (make)" >&2
    exit 1
fi
command -v xvfb-run >/dev/null 2>&1 || { echo "ide-screenshot: xvfb-run is missing (sh scripts/install-deps.sh)" >&2; exit 1; }

# Settings of their own (HOME), so the user's are not touched.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/home" "$root/docs/images"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/home" \
    QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1280x900x24" "$shots" "$root/docs/images"
