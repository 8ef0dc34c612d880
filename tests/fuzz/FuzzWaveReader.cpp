// libFuzzer target: arbitrary bytes as a wave file, through the reader, the
// silence scan and the track builder, with the wide layouts shut and open.
// Every input must end in tracks or in exactly one message, without a crash,
// leak or undefined behaviour.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/SilenceDetect.h"
#include "analysis/WaveRead.h"
#include "tests/fuzz/ScratchFile.h"

namespace {

class QuietSeam final : public quillon::engine::WindowSeam {
public:
    void ShowWaveInfo(uint32_t, uint32_t, uint32_t, uint32_t, bool) override {}
    void SetStatusText(const std::string&) override {}
    void StopAnalysis() override {}
    void ShowErrorBox(const std::string&) override { ++boxes; }
    void ShowMessageBox(const std::string&) override { ++boxes; }
    bool AskYesNo(const std::string&) override { return false; }
    std::string ChooseSaveFileName(const std::string&, const std::string&, const std::string&,
                                   const std::string&) override {
        return {};
    }
    int boxes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillon::engine;
    const std::string& path = quillon::fuzz::ScratchPath(".wav");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    // The first byte picks the thresholds, so odd ones are explored too.
    const int32_t percent = size ? int32_t(data[0] % 120) - 5 : 10;
    for (const bool wide : {false, true}) {
        SetWideFormats(wide);
        QuietSeam seam;
        AnalysisJob job;
        TrackList tracks;
        const ScanOutcome outcome = AnalyzeWaveFile(path, percent, size > 1 ? data[1] * 4 : 0, job, tracks, seam);
        const bool refused = outcome == ScanOutcome::Failed;
        if (refused != (seam.boxes == 1) || seam.boxes > 1 || refused != tracks.empty()) std::abort();
    }
    SetWideFormats(false);
    return 0;
}
