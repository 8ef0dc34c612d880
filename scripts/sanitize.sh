#!/usr/bin/env bash
# The checked runs: every test once more under AddressSanitizer with UBSan
# (build-asan), and the worker-thread tests under ThreadSanitizer (build-tsan).
# Any report fails the test that made it, and so the run.
#
# ThreadSanitizer covers the engine's workers only: the window tests run
# inside Qt, which is not built with it, so its own threads' reports there
# would be about Qt's code rather than ours.
#
#   scripts/sanitize.sh [address|thread]...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(address thread)
"$root/scripts/setup.sh"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitize/lsan.supp:print_suppressions=0
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

for kind in "${kinds[@]}"; do
    case $kind in
    address) build=$root/build-asan; targets=(all); select=() ;;
    thread) build=$root/build-tsan; targets=(quillon_worker_tests); select=(-L worker) ;;
    *) echo "sanitize.sh: unknown kind $kind" >&2; exit 2 ;;
    esac
    echo "== $kind sanitizer build"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE="$kind" \
        -DQUILLON_TESTS=ON >/dev/null
    cmake --build "$build" -j2 --target "${targets[@]}"
    (cd "$build" && ctest -j2 --output-on-failure "${select[@]}")
done
