#!/usr/bin/env bash
# Builds Quillon and analyses a recording: the file given, or the demo record
# side that the project makes itself (five pieces with gaps of quiet hiss, and
# one short quiet passage inside a piece that must not split it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" >/dev/null
if [ $# -gt 0 ]; then
    exec "$build/quillon-cli" analyze "$@"
fi
demo="$build/demo/Album Side A.wav"
mkdir -p "$(dirname "$demo")"
[ -s "$demo" ] || "$build/quillon-make-album" --demo "$demo"
echo "Tracks of $demo:"
exec "$build/quillon-cli" analyze "$demo"
