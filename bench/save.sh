#!/usr/bin/env bash
# Times the save of every track of a 60-minute 44.1 kHz 16-bit stereo
# recording as wave files against `cp` of the same file into an empty folder,
# interleaved in one run (the median of 11 runs each), and prints two ratios:
# the save job alone against cp (target: at most 1.05) and the whole
# `quillon-cli save`, finding the tracks included, against cp (target: at
# most 1.25); and the peak memory of `quillon-cli save` (target: under 32 MB).
# The save job is timed by quillon-bench-save, which finds the tracks first
# and times only the job.
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

fresh() { rm -f "$dest"/* "$dest"/.quillon-*; sync; sleep 0.3; }   # an empty folder and no writeback left over
seconds() { local s=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v s="$s" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }'; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cat "$wav" >/dev/null; cat "$wav" >/dev/null    # into the page cache
runs=11
cp_all=""; job_all=""; cli_all=""
for _ in $(seq $runs); do
    fresh; cp_all="$cp_all $(seconds cp "$wav" "$dest/copy.wav")"
    fresh; job_all="$job_all $("$build/quillon-bench-save" "$wav" "$dest")"
    fresh; cli_all="$cli_all $(seconds "$build/quillon-cli" save --yes --output "$dest" "$wav")"
done
cp_s=$(echo "$cp_all" | median)
job_s=$(echo "$job_all" | median)
cli_s=$(echo "$cli_all" | median)
# cp's own times fall in two groups on some machines (one about twice the
# other), which moves its median from run to run: the best of each is printed too.
best() { tr ' ' '\n' | sed '/^$/d' | sort -g | head -1; }
cp_b=$(echo "$cp_all" | best); job_b=$(echo "$job_all" | best); cli_b=$(echo "$cli_all" | best)
fresh
/usr/bin/time -f %M -o "$out/.time" "$build/quillon-cli" save --yes --output "$dest" "$wav" >/dev/null 2>&1
rss_kb=$(tail -1 "$out/.time")
files=$(ls "$dest" | wc -l)
rm -rf "$dest"

echo "file:       $(du -h "$wav" | cut -f1), saved as $files files (median of $runs interleaved runs each)"
echo "cp:         ${cp_s} s"
echo "save job:   ${job_s} s"
echo "command:    ${cli_s} s (quillon-cli save, finding the tracks included)"
awk -v j="$job_s" -v c="$cp_s" 'BEGIN { printf "job ratio:  %.2f x cp (save job alone; target <= 1.05)\n", (c > 0 ? j / c : 0) }'
awk -v j="$cli_s" -v c="$cp_s" 'BEGIN { printf "cli ratio:  %.2f x cp (whole command; target <= 1.25)\n", (c > 0 ? j / c : 0) }'
awk -v j="$job_b" -v l="$cli_b" -v c="$cp_b" 'BEGIN { printf "best:       cp %.3f s, job %.3f s (%.2f x), command %.3f s (%.2f x)\n", c, j, (c > 0 ? j / c : 0), l, (c > 0 ? l / c : 0) }'
awk -v k="$rss_kb" 'BEGIN { printf "peak RSS:   %.1f MB (target < 32 MB)\n", k / 1024 }'
