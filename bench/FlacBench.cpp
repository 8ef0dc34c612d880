// Times one FLAC encoding of a wave file's samples, the program's way (what a
// FLAC save runs for each track, straight from the file's data chunk):
// `quillon-bench-flac FILE.wav OUT.flac LEVEL` prints the seconds it took.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "analysis/WaveRead.h"
#include "bench/SilentSeam.h"
#include "export/ConversionControl.h"
#include "export/flac/FlacTrack.h"

int main(int argc, char** argv) {
    using namespace quillon::engine;
    if (argc != 4) {
        std::fprintf(stderr, "usage: quillon-bench-flac FILE.wav OUT.flac LEVEL\n");
        return 2;
    }
    quillon::bench::SilentSeam seam;
    quillon::platform::UniqueHmmio file;
    WaveFormat format{};
    quillon::platform::MMCKINFO data{};
    uint64_t size = 0;
    if (!OpenWaveFile(argv[1], file, format, data, size, seam)) return 1;
    const FlacSource source{quillon::platform::mmioDescriptor(file.get()), int64_t(data.dwDataOffset),
                            int64_t(size - size % format.nBlockAlign), format};
    ConversionControl control;
    const auto start = std::chrono::steady_clock::now();
    const FlacResult result = EncodeFlacTrack(source, argv[2], unsigned(std::atoi(argv[3])), {}, control);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", took.count());
    return result == FlacResult::Done ? 0 : 1;
}
