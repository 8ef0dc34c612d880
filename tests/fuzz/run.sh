#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) and
# runs each for SECONDS (default 30). Findings are written to build/fuzz/ and
# fail the run; keep each in tests/fuzz/regressions/TARGET/ (replayed by every
# run) and as a test case beside the code it broke.
#
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(FuzzWaveReader FuzzIniFile FuzzFileListBlock FuzzTimeText)
out=${BUILD_DIR:-$root/build}/fuzz
mkdir -p "$out"

# The engine's sources only: app/ also holds the Qt windows.
engine=("$root"/platform/*.cpp "$root"/analysis/*.cpp "$root"/app/ErrorCodes.cpp "$root"/app/Util.cpp
        "$root"/app/FileListBlock.cpp "$root"/app/InstanceProtocol.cpp)
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root"
       -DQUILLON_VERSION=\"fuzz\")

max_len() {
    case $1 in
    FuzzFileListBlock) echo 70000 ;;  # past the block's 65,540 bytes
    FuzzTimeText) echo 64 ;;
    *) echo 8192 ;;
    esac
}

for target in "${targets[@]}"; do
    bin=$out/$target
    if [ ! -x "$bin" ] || [ -n "$(find "$root/tests/fuzz" "$root/platform" "$root/app" "$root/analysis" \
            -newer "$bin" -name '*.[ch]*' | head -1)" ]; then
        clang++ "${flags[@]}" "$root/tests/fuzz/$target.cpp" "${engine[@]}" -o "$bin"
    fi
    seeds=$out/seeds/$target
    "$root/tests/fuzz/make-seeds.sh" "$target" "$seeds"
    mkdir -p "$out/corpus/$target" "$root/tests/fuzz/regressions/$target"
    echo "fuzzing $target for ${seconds}s"
    (cd "$out" && "$bin" -max_total_time="$seconds" -max_len="$(max_len "$target")" \
        -artifact_prefix="$out/$target-" -print_final_stats=0 \
        "$out/corpus/$target" "$seeds" "$root/tests/fuzz/regressions/$target") 2>"$out/$target.log" ||
        { tail -40 "$out/$target.log"; exit 1; }
    grep -E "^Done [0-9]+ runs" "$out/$target.log" || tail -3 "$out/$target.log"
done
