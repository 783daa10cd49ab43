#!/bin/sh
# fetch_corpus.sh REPO_ROOT DEST PKG...
# Puts the XM modules of the given Debian packages into DEST, once: a stamp
# remembers which packages were fetched. The shared tools live next to the
# repository; on a developer machine also at their usual place.
set -eu
root=$1 dest=$2
shift 2
[ -f "$dest/.fetched" ] && [ "$(cat "$dest/.fetched")" = "$*" ] && exit 0
script="$root/../shared/xm-corpus.sh"
[ -f "$script" ] || script=/work/shared/xm-corpus.sh
mkdir -p "$dest"
bash "$script" "$dest" "$@"
echo "$*" > "$dest/.fetched"
