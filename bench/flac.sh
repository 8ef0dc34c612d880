#!/usr/bin/env bash
# Times the FLAC save of a record side (every track of the 20-minute 44.1 kHz
# 16-bit stereo recording of mp3.sh, through `quillon-cli save --type flac`,
# finding the tracks included) against `flac -5 -V` encoding the same tracks'
# wave files one after another, interleaved (the median of 3 runs each), both
# held to two cores; and prints the ratio (target: at most 0.6, beside the
# best that the tracks' lengths allow on two cores), the save's peak memory
# (target: under 64 MB), one track's encoding at level 5 by the program's
# encoder against `flac -5 -V` of the same wave (best of 5 each; target: at
# most 1.1) and the sizes: the FLAC files against the waves and against
# flac's own files. Other work on the two cores weighs on the save, which
# needs both, more than on the reference, which needs one.
#
#   bench/flac.sh [BUILD_DIR]     (default: build-bench)
set -euo pipefail
BENCH_BUILD_DIR=${1:-${BENCH_BUILD_DIR:-}}
. "$(dirname "$0")/common.sh"
bench_build quillon-cli quillon-make-album quillon-bench-flac
command -v flac >/dev/null || { echo "flac is not installed (scripts/setup.sh installs it)" >&2; exit 1; }

twenty=$out/twenty-minutes.wav
[ -s "$twenty" ] || "$build/quillon-make-album" --minutes 20 "$twenty"
export HOME=$out XDG_CONFIG_HOME=$out/config   # default settings, whatever the user set

# Both sides get the same two cores, however many the machine has.
pin=()
[ "$(nproc)" -gt 2 ] && command -v taskset >/dev/null && pin=(taskset -c 0,1)
cores=$(( $(nproc) < 2 ? $(nproc) : 2 ))

waves=$out/flac-waves ref=$out/flac-ref dest=$out/flac-save
rm -rf "$waves" "$ref" "$dest"; mkdir -p "$waves" "$ref" "$dest"
"$build/quillon-cli" save --yes --output "$waves" "$twenty" >/dev/null   # the tracks' waves, not timed
tracks=("$waves"/*.wav)

seconds() { local s=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v s="$s" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }'; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a) ? b : a }'; }
bytes() { du -cb "$@" | tail -1 | cut -f1; }
one_by_one() {
    local w
    for w in "${tracks[@]}"; do "${pin[@]}" flac -5 -V -s -f -o "$ref/$(basename "${w%.wav}").flac" "$w"; done
}
flac_save() {
    rm -f "$dest"/*.flac
    "${pin[@]}" "$build/quillon-cli" save --type flac --flac-level 5 --yes --output "$dest" "$twenty"
}

cat "$twenty" "${tracks[@]}" >/dev/null   # into the page cache
ref_all=""; save_all=""; scan_all=""
for _ in 1 2 3; do
    ref_all="$ref_all $(seconds one_by_one)"
    save_all="$save_all $(seconds flac_save)"
    scan_all="$scan_all $(seconds "${pin[@]}" "$build/quillon-cli" analyze "$twenty")"
done
ref_s=$(echo "$ref_all" | median)
save_s=$(echo "$save_all" | median)
scan_s=$(echo "$scan_all" | median)
rm -f "$dest"/*.flac
/usr/bin/time -f %M -o "$out/.time" "${pin[@]}" "$build/quillon-cli" save --type flac --yes --output "$dest" \
    "$twenty" >/dev/null 2>&1
rss_kb=$(tail -1 "$out/.time")
saved=$(ls "$dest"/*.flac | wc -l)

# One track: the longest, encoded alone.
longest=$(ls -S "${tracks[@]}" | head -1)
one_ref=9999; one_ours=9999
for _ in 1 2 3 4 5; do
    one_ref=$(least "$one_ref" "$(seconds "${pin[@]}" flac -5 -V -s -f -o "$out/one-ref.flac" "$longest")")
    one_ours=$(least "$one_ours" "$("${pin[@]}" "$build/quillon-bench-flac" "$longest" "$out/one-ours.flac" 5)")
done

wave_b=$(bytes "${tracks[@]}"); ours_b=$(bytes "$dest"/*.flac); ref_b=$(bytes "$ref"/*.flac)
longest_size=$(du -h "$longest" | cut -f1)
# The best ratio these tracks allow: handed over in order, each to the
# encoder that is free first, on $cores cores with no cost of their own.
bound=$(stat -c %s "${tracks[@]}" | awk -v c="$cores" '{ k = 1; for (i = 2; i <= c; ++i) if (t[i] < t[k]) k = i;
    t[k] += $1; all += $1 } END { m = 0; for (i = 1; i <= c; ++i) if (t[i] > m) m = t[i]; printf "%.2f", m / all }')
rm -rf "$waves" "$ref" "$dest" "$out/one-ref.flac" "$out/one-ours.flac"

echo "record side:      ${#tracks[@]} tracks of the 20-minute recording at level 5 (median of 3 each, $cores cores)"
echo "  flac -5 -V:     ${ref_s} s (the tracks' waves encoded one after another)"
echo "  FLAC save:      ${save_s} s (quillon-cli save --type flac, $saved files; finding the tracks: ${scan_s} s)"
awk -v s="$save_s" -v r="$ref_s" -v c="$cores" -v b="$bound" 'BEGIN {
    printf "  save ratio:     %.2f on %d cores (target <= 0.6; %.2f at best for these track lengths)\n", (r > 0 ? s / r : 0), c, b }'
awk -v k="$rss_kb" 'BEGIN { printf "  peak RSS:       %.1f MB (quillon-cli save --type flac; target < 64 MB)\n", k / 1024 }'
echo "one track:        $(basename "$longest"), $longest_size (best of 5 each)"
echo "  flac -5 -V:     ${one_ref} s"
echo "  our encoder:    ${one_ours} s (level 5, verified, as a save runs it)"
awk -v o="$one_ours" -v r="$one_ref" 'BEGIN { printf "  ratio:          %.2f (target <= 1.1)\n", (r > 0 ? o / r : 0) }'
awk -v w="$wave_b" -v o="$ours_b" -v r="$ref_b" 'BEGIN {
    printf "sizes:            waves %.1f MB, FLAC save %.1f MB (%.1f %% of the waves), flac -5 %.1f MB (%.1f %%)\n",
        w / 1e6, o / 1e6, (w > 0 ? 100 * o / w : 0), r / 1e6, (w > 0 ? 100 * r / w : 0) }'
