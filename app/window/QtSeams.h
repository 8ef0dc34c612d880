#pragma once
// The main window's two sides of the window seam: FormSeam for calls made on
// the window's own thread, WorkerSeam for a worker's calls, which it carries to
// the window's thread. A worker's message box or question blocks the worker,
// never the window; once the job's abort is requested nothing the worker does
// waits for the window any more (questions are answered No unasked, messages
// are shown without waiting), so shutdown can wait for the worker without a
// deadlock.

#include <atomic>
#include <memory>

#include "app/WindowSeam.h"

namespace quillon::app {

class FormPanel;

class FormSeam final : public engine::WindowSeam {
public:
    explicit FormSeam(FormPanel& form) : form_(form) {}
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
    bool AskYesNo(const std::string& text) override;
    std::string ChooseSaveFileName(const std::string& folder, const std::string& fileName,
                                   const std::string& defaultExt, const std::string& filter) override;

private:
    FormPanel& form_;
};

class WorkerSeam final : public engine::WindowSeam {
public:
    // job identifies the worker's job to the window; abortRequested is the
    // job's flag; abortPressed is set once the user's Abort has wound the
    // window up, after which the worker's panel calls are dropped (a failing
    // job requests its own abort and still reports). owner keeps all of them
    // alive for as long as this seam lives.
    WorkerSeam(FormPanel& form, std::shared_ptr<const void> owner, const void* job,
               const std::atomic<bool>& abortRequested, const std::atomic<bool>& abortPressed)
        : form_(form),
          owner_(std::move(owner)),
          job_(job),
          abortRequested_(abortRequested),
          abortPressed_(abortPressed) {}

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
    bool AskYesNo(const std::string& text) override;
    std::string ChooseSaveFileName(const std::string& folder, const std::string& fileName,
                                   const std::string& defaultExt, const std::string& filter) override;

private:
    enum class BoxKind { Error, Plain, Question, SaveDialog };
    struct SaveRequest {
        std::string folder, fileName, defaultExt, filter;
    };
    // Carries call to the window's thread, where it runs unless Abort was
    // pressed by then or the job is no longer the window's current one (the
    // current analysis when analysisOnly).
    template <typename Call>
    void PostUnlessAborted(bool analysisOnly, Call call);
    // The answer of a box or dialog shown on the window's thread: Yes and the
    // chosen name. Returns at once (No, "") for a question or dialog after an abort.
    std::pair<bool, std::string> WaitForBox(BoxKind kind, const std::string& text, const SaveRequest& save = {});

    FormPanel& form_;
    std::shared_ptr<const void> owner_;
    const void* job_;
    const std::atomic<bool>& abortRequested_;
    const std::atomic<bool>& abortPressed_;
};

}  // namespace quillon::app
