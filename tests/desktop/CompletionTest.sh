#!/usr/bin/env bash
# Drives quillon-cli's bash completion as bash would and checks what it
# offers: the commands, each command's options (every one that the usage text
# of the quillon-cli given names), the values of --format and --type as that
# usage lists them, and wave files and folders for the recording.
#
#   CompletionTest.sh COMPLETION-FILE QUILLON-CLI
export LC_ALL=C
# shellcheck source=/dev/null
source "$1"
usage=$("$2" --help)
failures=0

# What the completion offers for the words given, the last being the one typed;
# sorted, one a line.
offered() {
    COMP_WORDS=(quillon-cli "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _quillon_cli quillon-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}

expect() {
    local want=$1
    shift
    local got
    got=$(offered "$@" | tr '\n' ' ')
    if [ "$got" != "$want" ]; then
        echo "FAIL: quillon-cli $* -> '$got', expected '$want'"
        failures=$((failures + 1))
    fi
}

# The usage lines of one command, from its own line to the next command's.
usage_of() {
    awk -v cmd="quillon-cli $1 " 'index($0, "quillon-cli ") { on = index($0, cmd) > 0 } on' <<<"$usage"
}

expect "analyze help save " ""
expect "--help --version " --
for command in analyze save; do
    options=$(offered "$command" --)
    for option in $(usage_of "$command" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -qx -- "$option" <<<"$options" || {
            echo "FAIL: quillon-cli $command -- does not offer $option"
            failures=$((failures + 1))
        }
    done
done
formats=$(usage_of analyze | grep -o -- '--format [a-z0-9|]*' | cut -d' ' -f2 | tr '|' '\n' | sort -u | tr '\n' ' ')
expect "$formats" analyze --format ""
expect "$formats" analyze --format = ""
expect "" save --format ""
types=$(usage_of save | grep -o -- '--type [a-z0-9|]*' | cut -d' ' -f2 | tr '|' '\n' | sort | tr '\n' ' ')
expect "$types" save --type ""
expect "mp3 " save --type m
expect "0 1 2 3 4 5 6 7 8 " save --flac-level ""
# Given options and the other half of a pair are not offered again.
expect "-- --allow-mismatch --amplitude --first-number --format --help --names --number-names --wide-formats " \
    analyze --duration 2 --
expect "--no-clobber " save --no
expect "" save --yes --no

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/records"
touch "$folder/side a.wav" "$folder/SIDE B.WAV" "$folder/notes.txt" "$folder/side.mp3"
cd "$folder" || exit 1
expect "SIDE B.WAV records side a.wav " analyze ""
expect "side a.wav " save --yes s
expect "records " save --output ""
expect "SIDE B.WAV notes.txt records side a.wav side.mp3 " analyze --names ""
expect "" save --artist ""

[ "$failures" -eq 0 ] && echo "all completions as expected"
exit $((failures > 0))
