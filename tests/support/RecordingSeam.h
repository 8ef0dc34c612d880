#pragma once
// A window seam that records what the engine showed, for the tests to check.

#include <mutex>
#include <string>
#include <vector>

#include "app/WindowSeam.h"

namespace quillon::test {

class RecordingSeam : public engine::WindowSeam {
public:
    struct WaveInfo {
        uint32_t durationMs, samplesPerSec, bitsPerSample, channels;
        bool clear;
        engine::SampleKind kind;
    };

    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      engine::SampleKind kind, bool clear) override;
    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      bool clear) override {
        ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, engine::ClassicKind(bitsPerSample), clear);
    }
    void SetStatusText(const std::string& text) override;
    void StopAnalysis() override;
    void ShowErrorBox(const std::string& text) override;
    void ShowMessageBox(const std::string& text) override;
    // Records "question: <text>" and gives the next scripted answer (No when none is left).
    bool AskYesNo(const std::string& text) override;

    // Records "save dialog: <fileName>" and gives the next scripted name ("" when none is left).
    std::string ChooseSaveFileName(const std::string& folder, const std::string& fileName,
                                   const std::string& defaultExt, const std::string& filter) override;

    std::vector<bool> answers;
    std::vector<std::string> chosenNames;

    // Every box shown, in order; error boxes start with "error: ", plain ones with "plain: ".
    std::vector<std::string> boxes;
    std::vector<WaveInfo> waveInfo;
    std::vector<std::string> statusTexts;
    int stopAnalysisCalls = 0;

private:
    std::mutex mutex_;
};

}  // namespace quillon::test
