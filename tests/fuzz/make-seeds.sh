#!/usr/bin/env bash
# Writes a small seed corpus for one fuzz target into DIR: ordinary inputs and
# the odd ones the code must handle.
#
#   tests/fuzz/make-seeds.sh TARGET DIR
set -euo pipefail
target=$1
dir=$2
mkdir -p "$dir"

case $target in
FuzzWaveReader)
    hdr16s='fmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00'
    hdr8m='fmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00'
    printf "RIFF\x2c\x00\x00\x00WAVE${hdr16s}data\x08\x00\x00\x00\x00\x00\x00\x00\xff\x7f\xff\x7f" >"$dir/stereo16"
    printf "RIFF\x2b\x00\x00\x00WAVE${hdr8m}data\x07\x00\x00\x00\x80\x80\xff\x00\x80\x80\x81\x00" >"$dir/mono8-odd"
    printf "RIFF\x3e\x00\x00\x00WAVEJUNK\x03\x00\x00\x00abc\x00LIST\x04\x00\x00\x00INFO${hdr16s}data\x04\x00\x00\x00\x01\x00\x02\x00" >"$dir/junk-list"
    printf "RIFF\xff\xff\xff\xffWAVE${hdr16s}data\xff\xff\xff\xff\x00\x10\x00\x10\x00\x00" >"$dir/truncated"
    printf "RIFF\x24\x00\x00\x00WAVEdata\x04\x00\x00\x00\x00\x00\x00\x00${hdr16s}" >"$dir/data-first"
    # The wide layouts: 24-bit stereo, float mono (1.5, NaN, -0.0), an
    # extensible 24-in-32 block, and 64-bit forms with their ds64 chunk.
    hdr24s='fmt \x10\x00\x00\x00\x01\x00\x02\x00\x80\xbb\x00\x00\x00\x65\x04\x00\x06\x00\x18\x00'
    hdrf32m='fmt \x10\x00\x00\x00\x03\x00\x01\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x20\x00'
    guid='\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71'
    hdrext='fmt \x28\x00\x00\x00\xfe\xff\x02\x00\x80\xbb\x00\x00\x00\xdc\x05\x00\x08\x00\x20\x00\x16\x00\x18\x00\x03\x00\x00\x00\x01\x00'"$guid"
    ds64='ds64\x1c\x00\x00\x00\x3c\x00\x00\x00\x00\x00\x00\x00\x0c\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf "RIFF\x30\x00\x00\x00WAVE${hdr24s}data\x0c\x00\x00\x00\x00\x00\x80\xff\xff\x7f\x01\x00\x00\x00\x00\x00" >"$dir/stereo24"
    printf "RIFF\x30\x00\x00\x00WAVE${hdrf32m}data\x0c\x00\x00\x00\x00\x00\xc0\x3f\x00\x00\xc0\x7f\x00\x00\x00\x80" >"$dir/mono-float"
    printf "RIFF\x4c\x00\x00\x00WAVE${hdrext}data\x10\x00\x00\x00\x00\x01\x00\x80\x00\x01\x00\x80\x00\x00\x00\x00\x00\x00\x00\x00" >"$dir/extensible-24-in-32"
    printf "RF64\xff\xff\xff\xffWAVE${ds64}${hdr24s}data\xff\xff\xff\xff\x00\x00\x80\xff\xff\x7f\x01\x00\x00\x00\x00\x00" >"$dir/rf64"
    printf "BW64\xff\xff\xff\xffWAVEds64\x28\x00\x00\x00\x3c\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\xff\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00JUNK\x00\x00\x00\x00\x01\x00\x00\x00${hdr24s}data\xff\xff\xff\xff\x00\x00\x80" >"$dir/bw64-huge-data"
    printf "RIFF\x2e\x00\x00\x00WAVEfmt \x12\x00\x00\x00\xfe\xff\x02\x00\x80\xbb\x00\x00\x00\x65\x04\x00\x06\x00\x18\x00\x00\x00data\x06\x00\x00\x00\x00\x00\x80\xff\xff\x7f" >"$dir/extensible-cut-short"
    ;;
FuzzIniFile)
    # Two bytes choose the key written and its value; the rest is the file.
    printf '\x05\x08abcdefgh[Quillon]\nFileType=1\nOutputFilePath=/music\n\n[A]\nk = "quoted" \n' >"$dir/plain"
    printf '\x00\x03xyz[quillon]\r\nfiletype=0\r\n[QUILLON]\r\nFileType=2' >"$dir/crlf-twice-no-newline"
    printf '\x0a\x02zz; comment\nk=outside\n[ b ]junk\nK2\n=empty key\n[A\nk=x=y\n' >"$dir/odd-lines"
    printf '\x0f\x00' >"$dir/empty"
    ;;
FuzzFileListBlock)
    block() {  # NAME COUNT-BYTES: one name in slot 0, the count at byte 65,536
        { printf '%s' "$1"; head -c $((65536 - ${#1})) /dev/zero; printf "$2"; } >"$dir/$3"
    }
    block /home/user/Side\ A.wav '\x01\x00\x00\x00' one-file
    block /tmp/x.wav '\xff\xff\xff\xff' negative-count
    block /tmp/x.wav '\x00\x10\x00\x00' huge-count
    head -c 300 /dev/urandom >"$dir/short"
    printf 'TMainForm\nCorvane Quillon\n' >"$dir/greeting"
    ;;
FuzzTimeText)
    printf '03:07:250' >"$dir/time"
    printf '100:00:000' >"$dir/long-minutes"
    printf '0140000' >"$dir/masked"
    printf -- '-1:99:-5' >"$dir/negative"
    printf '99999999999:0:0' >"$dir/too-big"
    printf '\xff\xff\xff\xff\x2c' >"$dir/max-ms"
    ;;
FuzzTrackFormats)
    # The recording's path, then a track name after each NUL.
    printf '/music/Side B.wav\0Side B.0001\0Side B.0002' >"$dir/plain"
    printf '/music/caf\xc3\xa9 \xf0\x9f\x8e\xb5.wav\0caf\xc3\xa9 \xf0\x9f\x8e\xb5.0001' >"$dir/utf8"
    printf '/music/\xff\xfe.wav\0a\xffb\0\xc0\x80\xed\xa0\x80\xf4\x90\x80\x80\xe2\x82' >"$dir/invalid-utf8"
    printf '/music/x\n TRACK 99 AUDIO.wav\0x\n TRACK 99 AUDIO\0a\r\nb\rc\0t\tab' >"$dir/line-breaks"
    printf '/music/\x01\x1f\x7f.wav\0\x01\x1b[31m\0\xef\xbf\xbe\xef\xbf\xbf' >"$dir/controls"
    printf '/m/<a href="x">&amp;\x27]]>.wav\0"quoted" \\back\\slash\0</svg>' >"$dir/markup"
    printf '/music/no tracks.wav' >"$dir/no-tracks"
    ;;
*) echo "make-seeds.sh: unknown target $target" >&2; exit 2 ;;
esac
