#!/usr/bin/env bash
# Times the overview picture's redraw (1200 x 320 pixels) at the whole view
# and at the deepest zoom, with its samples read, for a 3-minute and a
# 3-hour recording of 44.1 kHz, and prints the 3-hour one's ratio to the
# 3-minute one's, measured in the same run (target: at most 1.5, so the cost
# does not grow with the length; and under 16 ms, one frame at 60 Hz).
#
#   bench/redraw.sh [BUILD_DIR] [RUNS]     (default: build-bench, 20)
set -euo pipefail
BENCH_BUILD_DIR=${1:-${BENCH_BUILD_DIR:-}}
. "$(dirname "$0")/common.sh"
bench_build quillon-bench-redraw
bench_window_env
read -r short_whole short_deep long_whole long_deep < <("$build/quillon-bench-redraw" "${2:-20}")
echo "redraw, best of ${2:-20}     whole view   deepest zoom"
printf '3 minutes           %8.2f ms  %8.2f ms\n' "$short_whole" "$short_deep"
printf '3 hours             %8.2f ms  %8.2f ms\n' "$long_whole" "$long_deep"
awk -v sw="$short_whole" -v sd="$short_deep" -v lw="$long_whole" -v ld="$long_deep" 'BEGIN {
    printf "ratio 3 h / 3 min   %8.2f     %8.2f      (target <= 1.5, each under 16 ms)\n", lw / sw, ld / sd }'
