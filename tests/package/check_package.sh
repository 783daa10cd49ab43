#!/bin/sh
# The Debian package as a user gets it:
#   check_package.sh build|lintian|contents|installed|man BUILD_DIR VERSION MODULE
# build makes BUILD_DIR/zint_VERSION_amd64.deb with CPack; the other checks
# read that file.
set -u
mode=$1
build=$2
version=$3
module=$4
deb=$build/zint_${version}_amd64.deb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The files (not folders) the package holds, and so what an install puts
# under its prefix.
expected_files() {
    cat <<LIST
bin/xmrender
bin/zint-capture
games/zint
share/applications/zint.desktop
share/doc/zint/changelog.gz
share/doc/zint/copyright
share/icons/hicolor/256x256/apps/zint.png
share/man/man1/xmrender.1.gz
share/man/man1/zint-capture.1.gz
share/man/man6/zint.6.gz
LIST
}

unpack() {
    dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
    root=$work/root/usr
}

case $mode in
build)
    rm -f "$deb"
    (cd "$build" && cpack -G DEB) >"$work/log" 2>&1 || { cat "$work/log"; fail "cpack failed"; }
    [ -f "$deb" ] || fail "no $deb"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
    ;;
lintian)
    # Section games with two tools in /usr/bin: the tools belong on every
    # user's path, the intro in Debian's place for demos.
    lintian --fail-on error,warning --suppress-tags package-section-games-but-has-usr-bin "$deb" ||
        fail "lintian reports errors or new warnings"
    ;;
contents)
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $6 }' | sed 's| \./usr/| |' | sort -k2 >"$work/listing"
    cut -d' ' -f2 "$work/listing" >"$work/files"
    expected_files >"$work/expected"
    diff "$work/expected" "$work/files" || fail "the package holds other files than these"
    for program in bin/xmrender bin/zint-capture games/zint; do
        grep -q "^-rwxr-xr-x $program$" "$work/listing" || fail "$program is not an executable"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libsdl2-2.0-0 libavcodec libfreetype6 libstdc++6; do
        echo "$depends" | grep -q "$library" || fail "Depends lacks $library: $depends"
    done
    # cmake --install puts the same files under any prefix.
    cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install failed"
    (cd "$work/prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/installed"
    diff "$work/expected" "$work/installed" || fail "cmake --install puts other files than the package"
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
        file=$root/share/man/$page.gz
        LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" >"$work/page" 2>"$work/warnings" ||
            fail "$page does not render"
        [ ! -s "$work/warnings" ] || { cat "$work/warnings"; fail "$page renders with warnings"; }
        for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" DIAGNOSTICS; do
            grep -q "^$section" "$work/page" || fail "$page has no $section"
        done
        # Every option the program's help names is described.
        name=$(basename "$page" | cut -d. -f1)
        case $name in
        zint) options="-windowed" ;;
        *) options=$("$root/bin/$name" --help | grep -o -- '--[a-z]*' | sort -u) ;;
        esac
        for option in $options; do
            grep -q -- "^ *$option" "$work/page" || fail "$page does not describe $option"
        done
    done
    ;;
*)
    fail "unknown check $mode"
    ;;
esac
echo "ok: $mode"
