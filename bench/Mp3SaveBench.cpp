// Times the MP3 save of a record side, the tracks found first and not timed:
//
//   quillon-bench-mp3save save FILE.wav OUTPUT_DIR KBITS
//       the save job as the window and quillon-cli run it (LAME), its
//       conversions on the encoder threads; prints "SECONDS THREADS TRACKS"
//   quillon-bench-mp3save one-by-one FILE.wav OUTPUT_DIR KBITS
//       the same tracks' wave files (written first, not timed) encoded one
//       after another; prints "SECONDS 1 TRACKS"
//
// The output folder is emptied of the files it writes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "analysis/AnalysisJob.h"
#include "bench/SilentSeam.h"
#include "export/SaveJob.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/WaveToMP3.h"
#include "platform/Cores.h"

namespace {

using namespace quillon::engine;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || (std::strcmp(argv[1], "save") != 0 && std::strcmp(argv[1], "one-by-one") != 0)) {
        std::fprintf(stderr, "usage: quillon-bench-mp3save save|one-by-one FILE.wav OUTPUT_DIR KBITS\n");
        return 2;
    }
    if (!LoadLameLibrary()) {
        std::fprintf(stderr, "the LAME shim is not beside the program\n");
        return 1;
    }
    const bool save = std::strcmp(argv[1], "save") == 0;
    const auto bitRate = uint32_t(std::atoi(argv[4]));
    quillon::bench::SilentSeam seam;
    AnalysisJob analysis;
    analysis.FileName = argv[2];
    analysis.SilenceAmplitude = 10;
    analysis.SilenceDurationMs = 3000;
    TrackList tracks;
    RunAnalysis(analysis, tracks, seam);
    if (analysis.State.load() != JobFinished) return 1;
    const std::vector<bool> all(tracks.size(), true);
    const std::string folder = std::filesystem::absolute(argv[3]).string() + "/";

    SaveJob job;
    job.SourcePath = argv[2];
    job.Tracks = tracks;
    MarkTracksToSave(job.Tracks, all, false, folder);
    job.CheckedDurationMs = CheckedTracksDuration(job.Tracks, all);
    job.OutputFolder = folder;
    job.CodecName = kLameCodecName;
    job.BitRate = bitRate;
    SaveHooks hooks;
    double seconds = 0;
    unsigned threads = 1;
    if (save) {
        job.SaveAsMp3 = true;
        hooks.ConvertToMp3 = [](SaveJob& running, Mp3Conversion& conversion, WindowSeam& jobSeam) {
            return ConvertToMp3(running.CodecName, conversion.WaveName, conversion.TempName, running.BitRate, jobSeam,
                                {}, conversion.Control);
        };
        threads = unsigned(std::min<std::size_t>(quillon::platform::UsableCores(), tracks.size()));
        const auto start = Clock::now();
        if (RunSaveJob(job, seam, hooks) != SaveEnd::Finished) return 1;
        seconds = Since(start);
        for (const auto& t : tracks) std::filesystem::remove(folder + t.Name + ".MP3");
    } else {
        if (RunSaveJob(job, seam, hooks) != SaveEnd::Finished) return 1;  // the wave files, not timed
        const auto start = Clock::now();
        for (const auto& t : tracks) {
            const std::string wave = folder + t.Name + ".wav";
            if (LameEncodeWave(wave, folder + t.Name + ".mp3", bitRate, {}) != LameFinished) return 1;
        }
        seconds = Since(start);
        for (const auto& t : tracks) {
            std::filesystem::remove(folder + t.Name + ".wav");
            std::filesystem::remove(folder + t.Name + ".mp3");
        }
    }
    std::printf("%.6f %u %zu\n", seconds, threads, tracks.size());
    return 0;
}
