#!/usr/bin/env bash
# Times the save of every track of a 60-minute 44.1 kHz 16-bit stereo
# recording as wave files against `cp` of the same file into the same folder,
# interleaved in one run, and prints the save's speed as a share of cp's
# (target: at least 80 %) and the peak memory of `quillon-cli save` (target:
# under 32 MB). The save job is timed by quillon-bench-save, which finds the
# tracks first and times only the job; the whole command is timed too.
#
#   bench/save.sh [BUILD_DIR]     (default: build-bench)
set -euo pipefail
BENCH_BUILD_DIR=${1:-${BENCH_BUILD_DIR:-}}
. "$(dirname "$0")/common.sh"
bench_build quillon-cli quillon-make-album quillon-bench-save

wav=$out/sixty-minutes.wav
[ -s "$wav" ] || "$build/quillon-make-album" --minutes 60 "$wav"
export HOME=$out XDG_CONFIG_HOME=$out/config   # default thresholds, whatever the user set
dest=$out/saved
rm -rf "$dest"; mkdir -p "$dest"

fresh() { rm -f "$dest"/*; sync; sleep 0.3; }   # an empty folder and no writeback left over
seconds() { local s=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v s="$s" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }'; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a) ? b : a }'; }

cat "$wav" >/dev/null; cat "$wav" >/dev/null    # into the page cache
cp_s=9999; job_s=9999; cli_s=9999
for _ in 1 2 3 4 5 6 7 8 9; do
    fresh; cp_s=$(least "$cp_s" "$(seconds cp "$wav" "$dest/copy.wav")")
    fresh; job_s=$(least "$job_s" "$("$build/quillon-bench-save" "$wav" "$dest")")
    fresh; cli_s=$(least "$cli_s" "$(seconds "$build/quillon-cli" save --yes --output "$dest" "$wav")")
done
fresh
/usr/bin/time -f %M -o "$out/.time" "$build/quillon-cli" save --yes --output "$dest" "$wav" >/dev/null 2>&1
rss_kb=$(tail -1 "$out/.time")
files=$(ls "$dest" | wc -l)
rm -rf "$dest"

echo "file:       $(du -h "$wav" | cut -f1), saved as $files files (best of 9 each)"
echo "cp:         ${cp_s} s"
echo "save job:   ${job_s} s"
echo "command:    ${cli_s} s (quillon-cli save, finding the tracks included)"
awk -v j="$job_s" -v c="$cp_s" 'BEGIN { printf "speed:      %.0f %% of cp (target >= 80 %%)\n", (j > 0 ? 100 * c / j : 0) }'
awk -v k="$rss_kb" 'BEGIN { printf "peak RSS:   %.1f MB (target < 32 MB)\n", k / 1024 }'
