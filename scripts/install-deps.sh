#!/bin/sh
# Installs the Debian packages that building and testing Tarn Pascal need.
# The ODBC driver manager (unixodbc), the SQLite ODBC driver and the sqlite3 tool are what
# the database tests and their benchmark run against.
# Idempotent and silent when everything is present; works as root or through sudo.
# `install-deps.sh bench` also installs the peers that `make bench` times our programs
# against (Lua 5.4, LuaJIT and Free Pascal for the native column).
set -e

PACKAGES="build-essential cmake ninja-build pkg-config libffi-dev binutils libgtest-dev clang libclang-rt-14-dev diffutils procps qt6-base-dev xvfb imagemagick fonts-dejavu-core unixodbc libsqliteodbc sqlite3"
[ "${1:-}" = bench ] && PACKAGES="$PACKAGES lua5.4 luajit fpc"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-deps: need root or sudo to install:$missing" >&2
    exit 1
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
