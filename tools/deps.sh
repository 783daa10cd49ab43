#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
# Used by `make run` and `make test`; safe to run again (it installs nothing
# when everything is present).
set -eu

PACKAGES="
cmake
make
g++
pkg-config
libsdl2-dev
libgl-dev
libglu1-mesa-dev
libgl1-mesa-dri
libegl-mesa0
libfreetype-dev
libfontconfig-dev
fonts-liberation
fonts-dejavu-core
libavcodec-dev
libavformat-dev
libavutil-dev
libswscale-dev
googletest
libgtest-dev
libgmock-dev
libbenchmark-dev
clang
libclang-rt-14-dev
"

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
    echo "These packages are missing; install them as root with:" >&2
    echo "  apt-get install -y$missing" >&2
    exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
