#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillon need.
# Only what is missing is installed, so a second run costs nothing. Further
# package names may be given (bench/find.sh asks for its music this way).
set -euo pipefail

packages=(
  "$@"                        # what the caller asks for besides
  cmake g++ make pkg-config   # build
  libgtest-dev                # engine tests
  qt6-base-dev                # windows, Qt Test, the local socket
  fonts-dejavu-core           # legible text on bare X servers
  libsdl2-dev                 # preview playback
  libmp3lame-dev libavcodec-dev libswresample-dev  # MP3 output: the LAME shim and the converter library
  libflac-dev flac            # FLAC output; flac and metaflac check the files in the tests
  libtag1-dev libcue-dev cuetools  # MP3 tags, reading CUE sheets; cuebreakpoints checks our reading in the tests
  ffmpeg                      # ffprobe checks the MP3 files in the tests
  lame                        # the reference in bench/mp3.sh
  sox                         # a second opinion on the files we write, in the tests
  librsvg2-bin                # rsvg-convert draws the overview pictures, in the tests
  time                        # peak memory in the benchmarks
  clang libclang-rt-14-dev    # fuzz targets (libFuzzer)
  nlohmann-json3-dev libexpat1-dev  # the printed formats' fuzz target parses its JSON and SVG
  clang-format                # the house style, checked by the tests
  dpkg-dev file               # the Debian package: dpkg-shlibdeps, and CPack's test for ELF files
  lintian                     # checks the package
  appstream groff             # check the AppStream metadata and the manual pages
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
