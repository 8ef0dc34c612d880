#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR (default: build) and checks it:
# lintian finds no error or warning; the manual pages format without a groff
# warning and describe every option of the usage text; the AppStream metadata
# validates; the change log, metadata and manual pages name the project's
# version; the package holds what `cmake --install` installs; and its programs
# run from a folder it was unpacked into: quillon-cli lists the demo side's
# tracks as the build's does and saves MP3 through both encoders' libraries
# from the package, and quillon links its libraries through its run path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"

fail() {
    echo "package-check: $*" >&2
    exit 1
}

echo "== package"
# What `cmake --build build --target package` does, without its second pass
# over every target: cpack builds what is out of date itself.
(cd "$build" && cpack >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
libdir=$(sed -n 's/^QUILLON_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
deb=$build/quillon_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

echo "== lintian"
lintian --fail-on error,warning --display-info "$deb" || fail "lintian found errors or warnings"

echo "== manual pages"
for page in quillon quillon-cli; do
    for device in ps utf8; do
        warnings=$(groff -man -ww -z -T"$device" "$root/man/$page.1" 2>&1)
        [ -z "$warnings" ] || fail "groff -T$device on $page.1: $warnings"
    done
done
# Every option and --format value that quillon-cli's usage names is described.
usage=$("$build/quillon-cli" --help)
for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$usage" | sort -u); do
    grep -qF -- "${option//-/\\-}" "$root/man/quillon-cli.1" || fail "quillon-cli.1 does not describe $option"
done
for value in $(grep -o -- '--format [a-z0-9|]*' <<<"$usage" | head -1 | cut -d' ' -f2 | tr '|' ' '); do
    grep -qx "\.B $value" "$root/man/quillon-cli.1" || fail "quillon-cli.1 does not describe --format $value"
done

# A new version needs its entry in the change log and the metadata, and the
# manual pages' footers.
head -1 "$root/packaging/changelog" | grep -q "^quillon ($version) " || fail "packaging/changelog has no entry for $version"
grep -q "<release version=\"$version\"" "$root/desktop/quillon.metainfo.xml" ||
    fail "quillon.metainfo.xml has no release $version"
for page in quillon quillon-cli; do
    grep -q "^\.TH .* \"Quillon $version\"" "$root/man/$page.1" || fail "$page.1 is not for Quillon $version"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unpacked=$scratch/unpacked
dpkg-deb -x "$deb" "$unpacked"

echo "== AppStream"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/com.corvane.quillon.metainfo.xml"
# The launchable desktop entry and the icon are where the metadata says.
appstreamcli validate-tree --no-net "$unpacked"

echo "== the package holds what cmake --install installs"
cmake --install "$build" --prefix "$scratch/installed" >/dev/null
diff <(cd "$scratch/installed" && find . ! -type d | sort) <(cd "$unpacked/usr" && find . ! -type d | sort) ||
    fail "the package and cmake --install differ"

echo "== the unpacked programs"
# Nothing outside the unpacked folder may supply our libraries or settings.
unset LD_LIBRARY_PATH
export XDG_CONFIG_HOME=$scratch/config
cli=$unpacked/usr/bin/quillon-cli
[ "$("$cli" --version)" = "quillon-cli $version" ] || fail "quillon-cli --version says $("$cli" --version)"
side="$scratch/Side A.wav"
"$build/quillon-make-album" --demo "$side" >/dev/null
tracks=$("$cli" analyze "$side")
printf '%s\n' "$tracks"
[ "$tracks" = "$("$build/quillon-cli" analyze "$side")" ] || fail "the unpacked quillon-cli lists other tracks"
[ "$(wc -l <<<"$tracks")" -ge 2 ] || fail "the demo side is not split"
# The MP3 libraries are loaded at run time, and must come from the unpacked
# library folder (the dynamic linker's log names the file it mapped), not
# from a copy that the linker's own search might find elsewhere.
for pair in "LAME Encoder:liblame_enc.so" "Windows ACM Default:libCVWAVMP3.so.1"; do
    codec=${pair%:*} library=${pair#*:}
    out=$scratch/mp3-$library
    mkdir "$out"
    LD_DEBUG=files LD_DEBUG_OUTPUT=$out/ld "$cli" save --tracks 1 --type mp3 --codec "$codec" --output "$out" \
        "$side" >/dev/null || fail "the unpacked quillon-cli cannot save MP3 with $codec"
    [ -s "$out/Side A.0001.MP3" ] || fail "no MP3 from $codec"
    loaded=$(sed -n "s|.*file=\([^ ]*/$library\) .*generating link map.*|\1|p" "$out"/ld.* | head -1)
    [ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$unpacked")/usr/$libdir/$library" ] ||
        fail "the unpacked quillon-cli takes $library from '$loaded', not from the package"
done
# The window program's libraries come from the unpacked folder, through its run path.
linked=$(ldd "$unpacked/usr/bin/quillon")
if grep -q "not found" <<<"$linked"; then fail "quillon misses libraries: $linked"; fi
for library in libZORodaVodere.so.1 libCVWAVMP3.so.1; do
    found=$(awk -v lib="$library" '$1 == lib && $2 == "=>" { print $3 }' <<<"$linked")
    [ -n "$found" ] && [ "$(realpath "$found")" = "$(realpath "$unpacked")/usr/$libdir/$library" ] ||
        fail "quillon takes $library from '$found', not from the package"
done
echo "package-check: $(basename "$deb") passed"
