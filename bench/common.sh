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
# For the window benchmarks: default settings, whatever the user set, and a
# runtime folder of their own for Qt.
bench_window_env() {
    export XDG_CONFIG_HOME=$out/config XDG_RUNTIME_DIR=$out/runtime
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}
