#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) in a
# build of their own (build-fuzz, QUILLON_FUZZ=ON) and runs each for SECONDS
# (default 30). The targets and their input limits come from the build's
# fuzzers.txt. Findings are written to build-fuzz/fuzz/ and fail the run; keep
# each in tests/fuzz/regressions/TARGET/ (replayed by every run) and as a test
# case beside the code it broke.
#
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
shift || true
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
out=$build/fuzz
mkdir -p "$out"

CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quillon_fuzzers
bin_dir=$build/tests/fuzz

while read -r target max_len; do
    if [ $# -gt 0 ] && [[ " $* " != *" $target "* ]]; then continue; fi
    seeds=$out/seeds/$target
    "$root/tests/fuzz/make-seeds.sh" "$target" "$seeds"
    mkdir -p "$out/corpus/$target" "$root/tests/fuzz/regressions/$target"
    echo "fuzzing $target for ${seconds}s"
    (cd "$out" && "$bin_dir/$target" -max_total_time="$seconds" -max_len="$max_len" \
        -artifact_prefix="$out/$target-" -print_final_stats=0 \
        "$out/corpus/$target" "$seeds" "$root/tests/fuzz/regressions/$target") 2>"$out/$target.log" ||
        { tail -40 "$out/$target.log"; exit 1; }
    grep -E "^Done [0-9]+ runs" "$out/$target.log" || tail -3 "$out/$target.log"
done <"$bin_dir/fuzzers.txt"
