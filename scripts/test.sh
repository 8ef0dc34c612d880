#!/usr/bin/env bash
# Builds Quillon with its tests and runs them all; then builds the Debian
# package and checks it (scripts/package-check.sh); then the checked runs
# (every test under AddressSanitizer with UBSan, the worker tests under
# ThreadSanitizer); then each fuzz target for a short while when clang is
# present. SANITIZE=0 or FUZZ_SECONDS=0 leave those out of a quick local run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" -DQUILLON_TESTS=ON
(cd "$build" && ctest -j2 --output-on-failure)
"$root/scripts/package-check.sh"
if [ "${SANITIZE:-1}" != 0 ]; then
    "$root/scripts/sanitize.sh"
fi
if [ "${FUZZ_SECONDS:-30}" != 0 ] && command -v clang++ >/dev/null; then
    "$root/tests/fuzz/run.sh" "${FUZZ_SECONDS:-30}"
fi
