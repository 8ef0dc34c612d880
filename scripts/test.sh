#!/usr/bin/env bash
# Builds Quillon with its tests and runs them all, then runs each fuzz target
# for a short while when clang is present.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" -DQUILLON_TESTS=ON
(cd "$build" && ctest -j2 --output-on-failure)
if command -v clang++ >/dev/null; then
    "$root/tests/fuzz/run.sh" "${FUZZ_SECONDS:-30}"
fi
