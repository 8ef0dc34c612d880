// Times one silence scan of a recording at the default thresholds:
// `quillon-bench-scan FILE.wav [--overview] [--map] [--threads N] [--count N]`
// prints the seconds AnalyzeWaveFile took, with the level overview gathered
// (as the window and quillon-cli ask for it) or not, its blocks read (the
// default) or mapped, and on as many threads as the processor has unless
// told. With --count, it prints instead the seconds SuggestThresholds took to
// find thresholds for N tracks from that scan's overview (confirmations
// included), as the overview window's Find does. Every layout the reader
// takes is scanned: the wide-formats setting is on.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/BlockScan.h"
#include "analysis/SuggestThresholds.h"
#include "analysis/WaveRead.h"
#include "bench/SilentSeam.h"

namespace {}  // namespace

int main(int argc, char** argv) {
    using namespace quillon::engine;
    ScanSettings settings;
    bool overview = false;
    int32_t count = 0;
    bool usage = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--overview") == 0) overview = true;
        else if (std::strcmp(argv[i], "--map") == 0) settings.Source = ScanSource::Map;
        else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc)
            settings.Threads = unsigned(std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) {
            count = std::atoi(argv[++i]);
            overview = true;
            usage = usage || count < 1;
        } else if (path == nullptr && argv[i][0] != '-') path = argv[i];
        else usage = true;
    }
    if (path == nullptr || usage) {
        std::fprintf(stderr, "usage: quillon-bench-scan FILE.wav [--overview] [--map] [--threads N] [--count N]\n");
        return 2;
    }
    SetWideFormats(true);
    quillon::bench::SilentSeam seam;
    AnalysisJob job;
    job.State = JobRunning;
    TrackList tracks;
    AnalysisReport report;
    const auto start = std::chrono::steady_clock::now();
    const ScanOutcome outcome = AnalyzeWaveFile(path, 10, 3000, job, tracks, seam, overview ? &report : nullptr,
                                                settings);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (outcome != ScanOutcome::Completed) return 1;
    if (count > 0) {
        const auto suggestStart = std::chrono::steady_clock::now();
        ThresholdRequest request;
        request.Expected = count;
        const auto choice = SuggestThresholds(path, report.Overview, request, job, seam);
        took = std::chrono::steady_clock::now() - suggestStart;
        if (!choice) return 1;
    }
    std::printf("%.6f\n", took.count());
    return 0;
}
