#!/bin/sh
# The Debian package as a user gets it:
#   check_package.sh build|lintian|contents|installed|man BUILD_DIR VERSION MODULE
# build makes BUILD_DIR/zint_VERSION_amd64.deb with CPack; the other checks
# read that file.
set -u
mode=$1 build=$2 version=$3 module=$4
deb=$build/zint_${version}_amd64.deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
unpack() { dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"; }
root=$work/root/usr

# The files (not folders) the package holds with their modes, and so what an
# install puts under its prefix.
expected="-rwxr-xr-x bin/xmrender
-rwxr-xr-x bin/zint-capture
-rwxr-xr-x games/zint
-rw-r--r-- share/applications/zint.desktop
-rw-r--r-- share/doc/zint/changelog.gz
-rw-r--r-- share/doc/zint/copyright
-rw-r--r-- share/icons/hicolor/256x256/apps/zint.png
-rw-r--r-- share/man/man1/xmrender.1.gz
-rw-r--r-- share/man/man1/zint-capture.1.gz
-rw-r--r-- share/man/man6/zint.6.gz"

case $mode in
build)
    rm -f "$deb"
    (cd "$build" && cpack -G DEB) >"$work/log" 2>&1 || { cat "$work/log"; fail "cpack failed"; }
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "no $deb of version $version"
    ;;
lintian)
    # Section games with two tools in /usr/bin: the tools belong on every
    # user's path, the intro in Debian's place for demos.
    lintian --fail-on error,warning --suppress-tags package-section-games-but-has-usr-bin "$deb" ||
        fail "lintian reports errors or new warnings"
    ;;
contents)
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub("^\\./usr/", "", $6); print $1, $6 }' | sort -k2 >"$work/listing"
    echo "$expected" | diff - "$work/listing" || fail "the package holds other files than these"
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libsdl2-2.0-0 libavcodec libfreetype6 libstdc++6; do
        echo "$depends" | grep -q "$library" || fail "Depends lacks $library: $depends"
    done
    cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install failed"
    (cd "$work/prefix" && find . -type f -printf '%M %P\n' | sort -k2) >"$work/installed"
    echo "$expected" | diff - "$work/installed" || fail "cmake --install puts other files than the package"
    ;;
installed)
    unpack
    for tool in xmrender zint-capture; do
        [ "$("$root/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version does not say $version"
    done
    SDL_VIDEODRIVER=none "$root/games/zint" -windowed >"$work/out" 2>&1 || fail "zint exited with $?"
    grep -q "^Unable to create window$" "$work/out" || { cat "$work/out"; fail "the installed zint did not start"; }
    "$root/bin/xmrender" "$module" "$work/installed.wav" --seconds 2 || fail "the installed xmrender failed"
    "$build/xmrender" "$module" "$work/built.wav" --seconds 2 || fail "the built xmrender failed"
    [ "$(stat -c %s "$work/installed.wav")" -eq $((44 + 2 * 44100 * 4)) ] || fail "not 2 s of 44100 Hz stereo"
    cmp -s "$work/installed.wav" "$work/built.wav" || fail "the installed xmrender renders other sound"
    # What the capture holds is checked on the built tool; here that the installed one runs.
    SDL_VIDEODRIVER=offscreen "$root/bin/zint-capture" --seconds 1 --out "$work/one.mp4" ||
        fail "the installed zint-capture failed"
    streams=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/one.mp4" | tr '\n' ' ')
    [ "$streams" = "h264 aac " ] || fail "the capture holds the streams '$streams', not H.264 and AAC"
    ;;
man)
    unpack
    for page in man6/zint.6 man1/zint-capture.1 man1/xmrender.1; do
        LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/$page.gz" >"$work/page" 2>"$work/warnings" ||
            fail "$page does not render"
        [ ! -s "$work/warnings" ] || { cat "$work/warnings"; fail "$page renders with warnings"; }
        for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" DIAGNOSTICS; do
            grep -q "^$section" "$work/page" || fail "$page has no $section"
        done
        # Every option the program's help names is described under OPTIONS.
        name=$(basename "$page" | cut -d. -f1)
        options=-windowed
        [ "$name" = zint ] || options=$("$root/bin/$name" --help | grep -o -- '--[a-z]*' | sort -u)
        sed -n '/^OPTIONS/,/^[A-Z]/p' "$work/page" >"$work/options"
        for option in $options; do
            grep -q -- "^ *$option" "$work/options" || fail "$page does not describe $option under OPTIONS"
        done
    done
    ;;
*)
    fail "unknown check $mode"
    ;;
esac
echo "ok: $mode"
