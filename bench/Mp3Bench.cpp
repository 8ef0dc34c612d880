// Times one LAME encode of a wave file, the program's way:
// `quillon-bench-mp3 FILE.wav OUT.mp3 KBITS` prints the seconds it took.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "export/mp3/Lame_dll.h"

int main(int argc, char** argv) {
    using namespace quillon::engine;
    if (argc != 4) {
        std::fprintf(stderr, "usage: quillon-bench-mp3 FILE.wav OUT.mp3 KBITS\n");
        return 2;
    }
    if (!LoadLameLibrary()) {
        std::fprintf(stderr, "the LAME shim is not beside the program\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const uint16_t result = LameEncodeWave(argv[1], argv[2], uint32_t(std::atoi(argv[3])), {});
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", took.count());
    return result == 0 ? 0 : 1;
}
