// Times one run of the save job on every track of a recording, the tracks
// found first and not timed: `quillon-bench-save FILE.wav OUTPUT_DIR` prints
// the seconds the job took.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "analysis/AnalysisJob.h"
#include "bench/SilentSeam.h"
#include "export/SaveJob.h"
#include "platform/Mmio.h"

namespace {}  // namespace

int main(int argc, char** argv) {
    using namespace quillon::engine;
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillon-bench-save FILE.wav OUTPUT_DIR\n");
        return 2;
    }
    quillon::bench::SilentSeam seam;
    AnalysisJob analysis;
    analysis.FileName = argv[1];
    analysis.SilenceAmplitude = 10;
    analysis.SilenceDurationMs = 3000;
    TrackList tracks;
    RunAnalysis(analysis, tracks, seam);
    if (analysis.State.load() != JobFinished) return 1;

    SaveJob job;
    job.SourcePath = argv[1];
    job.Tracks = tracks;
    const std::string folder = std::filesystem::absolute(argv[2]).string() + "/";
    MarkTracksToSave(job.Tracks, std::vector<bool>(tracks.size(), true), false, folder);
    job.CheckedDurationMs = CheckedTracksDuration(job.Tracks, std::vector<bool>(tracks.size(), true));
    job.OutputFolder = folder;
    job.WaveCopies = 0;  // as quillon-cli and the window save
    SaveHooks hooks;
    const auto start = std::chrono::steady_clock::now();
    const SaveEnd end = RunSaveJob(job, seam, hooks);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", took.count());
    return end == SaveEnd::Finished ? 0 : 1;
}
