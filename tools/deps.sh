#!/bin/sh
# Installs the Debian packages a make target needs, when any is missing:
#   tools/deps.sh run        building and running zint
#   tools/deps.sh package    that, and building the .deb
#   tools/deps.sh web        building the browser page (make web)
#   tools/deps.sh [test]     everything: the tests, benchmarks and tools too
# Safe to run again (it installs nothing when everything is present).
set -eu

# One package a line, so that additions merge cleanly.
RUN_PACKAGES="
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
"

PACKAGE_PACKAGES="
dpkg-dev
gzip
"

# Emscripten's own ports fetch sources while building; the project uses none.
WEB_PACKAGES="
cmake
make
emscripten
"

# The browser tests: the page in headless Chromium, driven from Python.
WEB_TEST_PACKAGES="
chromium
python3-websocket
"

TEST_PACKAGES="
googletest
libgtest-dev
libgmock-dev
libbenchmark-dev
clang
libclang-rt-14-dev
lintian
man-db
groff-base
ffmpeg
pulseaudio
pulseaudio-utils
python3
python3-numpy
xvfb
x11-utils
"

case "${1:-test}" in
    run) PACKAGES=$RUN_PACKAGES ;;
    package) PACKAGES="$RUN_PACKAGES $PACKAGE_PACKAGES" ;;
    web) PACKAGES=$WEB_PACKAGES ;;
    test) PACKAGES="$RUN_PACKAGES $PACKAGE_PACKAGES $TEST_PACKAGES $WEB_PACKAGES $WEB_TEST_PACKAGES" ;;
    *)
        echo "usage: $0 [run|package|test|web]" >&2
        exit 2
        ;;
esac

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
