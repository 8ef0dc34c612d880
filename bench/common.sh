# Shared by the benchmark scripts: installs what is missing, builds the given
# targets into $build (default: build-bench, or the first argument), and
# makes the folder for recordings and results.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${BENCH_BUILD_DIR:-$root/build-bench}
out=$here/out
bench_build() {
    "$root/scripts/setup.sh"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null
    cmake --build "$build" -j2 --target "$@" >/dev/null
    mkdir -p "$out"
}
