#pragma once
// A window seam that keeps what is said on a helper thread (a copy, a
// conversion) until the job's own thread shows it: boxes from several threads
// at once would stand over the job's questions. Nothing is asked through it.

#include <functional>
#include <string>

#include "app/WindowSeam.h"

namespace quillon::engine {

class DeferredSeam final : public WindowSeam {
public:
    using Call = std::function<void(WindowSeam&)>;
    explicit DeferredSeam(std::function<void(Call)> keep) : keep_(std::move(keep)) {}
    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      bool clear) override {
        keep_([=](WindowSeam& seam) { seam.ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, clear); });
    }
    void SetStatusText(const std::string& text) override {
        keep_([text](WindowSeam& seam) { seam.SetStatusText(text); });
    }
    void StopAnalysis() override {}
    void ShowErrorBox(const std::string& text) override {
        keep_([text](WindowSeam& seam) { seam.ShowErrorBox(text); });
    }
    void ShowMessageBox(const std::string& text) override {
        keep_([text](WindowSeam& seam) { seam.ShowMessageBox(text); });
    }
    bool AskYesNo(const std::string&) override { return false; }
    std::string ChooseSaveFileName(const std::string&, const std::string&, const std::string&,
                                   const std::string&) override {
        return {};
    }

private:
    std::function<void(Call)> keep_;
};

}  // namespace quillon::engine
