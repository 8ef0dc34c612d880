#!/usr/bin/env bash
# Times `quillon-cli analyze` on a 60-minute 44.1 kHz 16-bit stereo recording
# against `cat FILE > /dev/null` with the file in the page cache, interleaved
# in one run, and prints the medians, the ratio (target: at most 1.0) and the
# scan's peak memory (target: under 32 MB). The scan alone is timed by
# quillon-bench-scan without and with the level overview, which quillon-cli
# and the window ask for (target: the overview costs at most 10 %), and, for
# comparison, with its blocks mapped from the page cache instead of read;
# and SuggestThresholds, finding thresholds for as many tracks as the
# defaults give, against one scan (target: about 3 at most). Then the same
# album made 24-bit at 96 kHz by sox (ten minutes, repeated to sixty): the
# scan with the overview against `cat` of that file (target: at most 1.0).
#
#   bench/analyze.sh [BUILD_DIR]     (default: build-bench; RUNS=9 runs of each)
set -euo pipefail
BENCH_BUILD_DIR=${1:-${BENCH_BUILD_DIR:-}}
. "$(dirname "$0")/common.sh"
bench_build quillon-cli quillon-make-album quillon-bench-scan

wav=$out/sixty-minutes.wav
[ -s "$wav" ] || "$build/quillon-make-album" --minutes 60 "$wav"
export HOME=$out XDG_CONFIG_HOME=$out/config   # default thresholds, whatever the user set
runs=${RUNS:-9}

seconds() { local s=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v s="$s" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cat "$wav" >/dev/null; cat "$wav" >/dev/null    # into the page cache
tracks=$("$build/quillon-cli" analyze "$wav" | wc -l)
cat_t=(); cli_t=(); scan_t=(); overview_t=(); mapped_t=(); suggest_t=()
for _ in $(seq "$runs"); do
    cat_t+=("$(seconds cat "$wav")")
    cli_t+=("$(seconds "$build/quillon-cli" analyze "$wav")")
    mapped_t+=("$("$build/quillon-bench-scan" "$wav" --overview --map)")
    suggest_t+=("$("$build/quillon-bench-scan" "$wav" --count "$tracks")")
done
# The scan alone takes a few hundredths of a second, where one run's noise is
# as large as the overview's cost: five times as many interleaved pairs.
for _ in $(seq $((runs * 5))); do
    scan_t+=("$("$build/quillon-bench-scan" "$wav")")
    overview_t+=("$("$build/quillon-bench-scan" "$wav" --overview)")
done
cat_s=$(median "${cat_t[@]}")
cli_s=$(median "${cli_t[@]}")
scan_s=$(median "${scan_t[@]}")
overview_s=$(median "${overview_t[@]}")
mapped_s=$(median "${mapped_t[@]}")
suggest_s=$(median "${suggest_t[@]}")
# The wide layout: 2 GB of 24-bit 96 kHz stereo, scanned with the wide-formats setting on.
wide=$out/sixty-minutes-24bit-96k.wav
if [ ! -s "$wide" ]; then
    "$build/quillon-make-album" --minutes 10 "$out/ten-minutes.wav"
    sox -D "$out/ten-minutes.wav" -b 24 "$out/ten-minutes-24bit-96k.wav" rate 96000
    sox "$out/ten-minutes-24bit-96k.wav" "$wide.part.wav" repeat 5 trim 0 3600
    mv "$wide.part.wav" "$wide"
    rm -f "$out/ten-minutes.wav" "$out/ten-minutes-24bit-96k.wav"
fi
cat "$wide" >/dev/null; cat "$wide" >/dev/null
wide_cat_t=(); wide_scan_t=()
for _ in $(seq "$runs"); do
    wide_cat_t+=("$(seconds cat "$wide")")
    wide_scan_t+=("$("$build/quillon-bench-scan" "$wide" --overview)")
done
wide_cat_s=$(median "${wide_cat_t[@]}")
wide_scan_s=$(median "${wide_scan_t[@]}")

/usr/bin/time -f %M -o "$out/.time" "$build/quillon-cli" analyze "$wav" >/dev/null 2>&1
rss_kb=$(tail -1 "$out/.time")

echo "file:       $(du -h "$wav" | cut -f1) ($tracks tracks), medians of $runs interleaved runs, $(nproc) processors"
echo "cat:        ${cat_s} s"
echo "analyze:    ${cli_s} s (quillon-cli analyze, the whole command)"
awk -v s="$cli_s" -v c="$cat_s" 'BEGIN { printf "ratio:      %.2f (analyze / cat; target <= 1.0)\n", (c > 0 ? s / c : 0) }'
awk -v k="$rss_kb" 'BEGIN { printf "peak RSS:   %.1f MB (target < 32 MB)\n", k / 1024 }'
echo "scan:       ${scan_s} s without the overview, ${overview_s} s with it (quillon-bench-scan, medians of $((runs * 5)) pairs)"
awk -v o="$overview_s" -v s="$scan_s" 'BEGIN { printf "overview:   %.2f (with / without; target <= 1.10)\n", (s > 0 ? o / s : 0) }'
echo "mapped:     ${mapped_s} s (the scan with the overview, its blocks mapped instead of read)"
echo "suggest:    ${suggest_s} s (SuggestThresholds for $tracks tracks, from the scan's overview)"
awk -v g="$suggest_s" -v s="$overview_s" 'BEGIN { printf "suggest:    %.2f scans (SuggestThresholds / one scan with the overview; target about 3 at most)\n", (s > 0 ? g / s : 0) }'
echo "24-bit:     $(du -h "$wide" | cut -f1), 96 kHz stereo, 60 minutes: cat ${wide_cat_s} s, scan ${wide_scan_s} s (quillon-bench-scan with the overview)"
awk -v s="$wide_scan_s" -v c="$wide_cat_s" 'BEGIN { printf "ratio 24:   %.2f (24-bit scan / cat; target <= 1.0)\n", (c > 0 ? s / c : 0) }'
