#!/usr/bin/env bash
# Times how long the main window takes to list the tracks of a recording with
# more than 10,000 of them (filled, laid out and drawn once), against the same
# rows put into a plain Qt tree widget in one call, in the same run, and
# prints the ratio (target: at most 2) and the time to check every row.
#
#   bench/listfill.sh [BUILD_DIR] [TRACKS]     (default: build-bench, 10050)
set -euo pipefail
BENCH_BUILD_DIR=${1:-${BENCH_BUILD_DIR:-}}
. "$(dirname "$0")/common.sh"
bench_build quillon-bench-listfill
bench_window_env
read -r count ours reference check clear < <("$build/quillon-bench-listfill" "${2:-10050}" 5)
echo "tracks:       $count (best of 5 each)"
echo "plain Qt:     ${reference} s"
echo "track list:   ${ours} s"
echo "select all:   ${check} s"
echo "clear:        ${clear} s"
awk -v o="$ours" -v r="$reference" 'BEGIN { printf "ratio:        %.2f of plain Qt (target <= 2)\n", (r > 0 ? o / r : 0) }'
