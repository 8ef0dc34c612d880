#!/usr/bin/env bash
# Builds Quillon and opens a recording in its window: the file given, or the
# demo record side that the project makes itself (five pieces with gaps of
# quiet hiss, and one short quiet passage inside a piece that must not split
# it). The recording is analysed at once. With no display (or when the first
# argument is an option) the analysis runs on the command line instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" >/dev/null

if [ $# -gt 0 ]; then
    file=$1
else
    file="$build/demo/Album Side A.wav"
    mkdir -p "$(dirname "$file")"
    [ -s "$file" ] || "$build/quillon-make-album" --demo "$file"
    set -- "$file"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${file#-}" = "$file" ]; then
    exec "$build/quillon" "$(realpath -- "$file")"
fi
echo "No display: the tracks of $file are listed here instead." >&2
exec "$build/quillon-cli" analyze "$@"
