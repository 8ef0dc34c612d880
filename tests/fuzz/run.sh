#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) and
# runs each for SECONDS (default 30). Findings are written to build/fuzz/ and
# fail the run; keep each as a regression case in the tests.
#
#   tests/fuzz/run.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
out=${BUILD_DIR:-$root/build}/fuzz
mkdir -p "$out/corpus"
"$root/tests/fuzz/make-seeds.sh" "$out/seeds"

# The engine's sources only: app/ also holds the Qt windows.
engine=("$root"/platform/*.cpp "$root"/analysis/*.cpp "$root"/app/ErrorCodes.cpp "$root"/app/Util.cpp)
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root"
       -DQUILLON_VERSION=\"fuzz\")

for target in FuzzWaveReader; do
    bin=$out/$target
    if [ ! -x "$bin" ] || [ -n "$(find "$root/tests/fuzz" "$root/platform" "$root/app" "$root/analysis" \
            -newer "$bin" -name '*.[ch]*' | head -1)" ]; then
        clang++ "${flags[@]}" "$root/tests/fuzz/$target.cpp" "${engine[@]}" -o "$bin"
    fi
    echo "fuzzing $target for ${seconds}s"
    "$bin" -max_total_time="$seconds" -max_len=8192 -artifact_prefix="$out/$target-" -print_final_stats=0 \
        "$out/corpus" "$out/seeds" 2>"$out/$target.log" || { tail -40 "$out/$target.log"; exit 1; }
    grep -E "^Done [0-9]+ runs" "$out/$target.log" || tail -3 "$out/$target.log"
done
