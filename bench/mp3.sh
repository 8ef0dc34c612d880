#!/usr/bin/env bash
# Times the LAME route on a 5-minute 44.1 kHz 16-bit stereo recording at
# 192 kbit/s against the lame command-line encoder at the same settings
# (`lame -b 192 -h`, constant bit rate), interleaved in one run, and prints
# the ratio (target: at most 1.15) and the encoder's peak memory for 5 and 20
# minutes (target: flat). The program's configuration asks for plain stereo
# with CRC, which lame encodes about 15 % slower than its default joint
# stereo, so the ratio against `lame -b 192 -h -m s -p` is printed too.
#
#   bench/mp3.sh [BUILD_DIR]     (default: build-bench)
set -euo pipefail
BENCH_BUILD_DIR=${1:-${BENCH_BUILD_DIR:-}}
. "$(dirname "$0")/common.sh"
bench_build quillon-bench-mp3 quillon-make-album lame_enc quillon-bench-mp3save quillon-cli

five=$out/five-minutes.wav
twenty=$out/twenty-minutes.wav
[ -s "$five" ] || "$build/quillon-make-album" --minutes 5 "$five"
[ -s "$twenty" ] || "$build/quillon-make-album" --minutes 20 "$twenty"

seconds() { local s=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v s="$s" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }'; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a) ? b : a }'; }

cat "$five" >/dev/null
lame_s=9999; same_s=9999; ours_s=9999
for _ in 1 2 3 4 5; do
    lame_s=$(least "$lame_s" "$(seconds lame -S -b 192 -h "$five" "$out/lame.mp3")")
    same_s=$(least "$same_s" "$(seconds lame -S -b 192 -h -m s -p "$five" "$out/lame.mp3")")
    ours_s=$(least "$ours_s" "$("$build/quillon-bench-mp3" "$five" "$out/ours.mp3" 192)")
done
rss() { /usr/bin/time -f %M -o "$out/.time" "$build/quillon-bench-mp3" "$1" "$out/ours.mp3" 192 >/dev/null 2>&1; tail -1 "$out/.time"; }
rss5=$(rss "$five")
rss20=$(rss "$twenty")
rm -f "$out/lame.mp3" "$out/ours.mp3"

echo "lame -b 192 -h:   ${lame_s} s (best of 5)"
echo "  ... -m s -p:     ${same_s} s (plain stereo and CRC, as the program asks)"
echo "LAME route:       ${ours_s} s (best of 5)"
awk -v o="$ours_s" -v l="$lame_s" 'BEGIN { printf "ratio:            %.2f (target <= 1.15)\n", (l > 0 ? o / l : 0) }'
awk -v o="$ours_s" -v l="$same_s" 'BEGIN { printf "same-mode ratio:  %.2f\n", (l > 0 ? o / l : 0) }'
awk -v a="$rss5" -v b="$rss20" 'BEGIN { printf "peak RSS:         %.1f MB for 5 minutes, %.1f MB for 20 (flat)\n", a / 1024, b / 1024 }'

# The MP3 save of a record side.
export HOME=$out XDG_CONFIG_HOME=$out/config   # default settings, whatever the user set
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
dest=$out/mp3save
rm -rf "$dest"; mkdir -p "$dest"
cat "$twenty" >/dev/null
one_all=""; save_all=""
for _ in 1 2 3; do
    read -r one _ tracks < <("$build/quillon-bench-mp3save" one-by-one "$twenty" "$dest" 192)
    read -r par cores _ < <("$build/quillon-bench-mp3save" save "$twenty" "$dest" 192)
    one_all="$one_all $one"; save_all="$save_all $par"
done
one_s=$(echo "$one_all" | median)
save_s=$(echo "$save_all" | median)
/usr/bin/time -f %M -o "$out/.time" "$build/quillon-cli" save --type mp3 --codec "LAME Encoder" --bitrate 192 \
    --yes --output "$dest" "$twenty" >/dev/null 2>&1
rss_save=$(tail -1 "$out/.time")
rm -rf "$dest"

echo "record side:      $tracks tracks of the 20-minute recording, LAME at 192 kbit/s (median of 3 each)"
echo "  one by one:     ${one_s} s (the tracks' waves encoded one after another)"
echo "  MP3 save:       ${save_s} s (quillon's save job, $cores encoder threads on $(nproc) cores)"
awk -v s="$save_s" -v o="$one_s" -v c="$cores" 'BEGIN { printf "  save ratio:     %.2f on %d cores (target on 2 cores <= 0.6)\n", (o > 0 ? s / o : 0), c }'
awk -v a="$rss_save" 'BEGIN { printf "  peak RSS:       %.1f MB (quillon-cli save --type mp3, all encoders busy; target < 64 MB)\n", a / 1024 }'
