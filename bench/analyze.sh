#!/usr/bin/env bash
# Times `quillon-cli analyze` on a 60-minute 44.1 kHz 16-bit stereo recording
# against `cat FILE > /dev/null` with the file in the page cache, in one run,
# and prints the ratio (target: at most 2.0) and the scan's peak memory
# (target: under 32 MB).
#
#   bench/analyze.sh [BUILD_DIR]     (default: build-bench)
set -euo pipefail
BENCH_BUILD_DIR=${1:-${BENCH_BUILD_DIR:-}}
. "$(dirname "$0")/common.sh"
bench_build quillon-cli quillon-make-album

wav=$out/sixty-minutes.wav
[ -s "$wav" ] || "$build/quillon-make-album" --minutes 60 "$wav"
export HOME=$out XDG_CONFIG_HOME=$out/config   # default thresholds, whatever the user set

best() {  # the best of 7 wall-clock times of "$@", in seconds
    local b=999999 t s e
    for _ in 1 2 3 4 5 6 7; do
        s=$EPOCHREALTIME
        "$@" >/dev/null 2>&1
        e=$EPOCHREALTIME
        b=$(awk -v a="$b" -v s="$s" -v e="$e" 'BEGIN { t = e - s; print (t < a) ? t : a }')
    done
    echo "$b"
}

cat "$wav" >/dev/null; cat "$wav" >/dev/null    # into the page cache
cat_s=$(best cat "$wav")
scan_s=$(best "$build/quillon-cli" analyze "$wav")
/usr/bin/time -f %M -o "$out/.time" "$build/quillon-cli" analyze "$wav" >/dev/null 2>&1
rss_kb=$(tail -1 "$out/.time")
tracks=$("$build/quillon-cli" analyze "$wav" | wc -l)

echo "file:       $(du -h "$wav" | cut -f1) ($tracks tracks)"
echo "cat:        ${cat_s} s"
echo "analyze:    ${scan_s} s"
awk -v s="$scan_s" -v c="$cat_s" 'BEGIN { printf "ratio:      %.2f (analyze / cat; target <= 2.0)\n", (c > 0 ? s / c : 0) }'
awk -v k="$rss_kb" 'BEGIN { printf "peak RSS:   %.1f MB (target < 32 MB)\n", k / 1024 }'
