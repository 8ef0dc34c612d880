#pragma once
// The one way the engine's jobs reach the user. The main window implements it
// (carrying each call to its own thread), and so do quillon-cli and the tests'
// recording doubles. Calls may come from a worker thread; a message box blocks
// that worker until it is dismissed.

#include <cstdint>
#include <string>

#include "analysis/WaveFormat.h"

namespace quillon::engine {

// The kind of the classic layouts, known from their bits alone: 8-bit
// unsigned, anything else signed 16-bit.
constexpr SampleKind ClassicKind(uint32_t bitsPerSample) {
    return bitsPerSample == 8 ? SampleKind::Unsigned8 : SampleKind::Signed16;
}

class WindowSeam {
public:
    virtual ~WindowSeam() = default;

    // Status bar panels 1-4: rate, bits, channels, the whole file's duration;
    // kind is how a sample is stored, so that 24- and 32-bit integer and
    // floating-point samples can be named. With clear set the panels are
    // emptied and the other arguments ignored. A seam that does not show the
    // kind need not take it: it gets the call without it.
    virtual void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                              [[maybe_unused]] SampleKind kind, bool clear) {
        ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, clear);
    }
    // The same without the kind (a classic layout's, by its bits).
    virtual void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                              bool clear) = 0;
    // Status bar panel 0.
    virtual void SetStatusText(const std::string& text) = 0;
    // The window-side end of a failed analysis: timer off, panels cleared,
    // file controls back. The job itself is already marked aborted.
    virtual void StopAnalysis() = 0;
    // Modal box with the error icon, OK, caption "Corvane Quillon".
    virtual void ShowErrorBox(const std::string& text) = 0;
    // Modal box without icon, OK, caption "Corvane Quillon".
    virtual void ShowMessageBox(const std::string& text) = 0;
    // Modal question with Yes and No, no icon, caption "Corvane Quillon"; true
    // for Yes. Once the job's abort is requested the answer is No at once, and
    // a question still open is released with No.
    [[nodiscard]] virtual bool AskYesNo(const std::string& text) = 0;
    // The save-file dialog, opened in folder with fileName filled in; defaultExt
    // ("*.wav") is added to a name typed without one; filter as "Wave File|*.wav".
    // The dialog asks itself before an existing file is chosen. The chosen path,
    // or "" on Cancel; "" at once after the job's abort.
    [[nodiscard]] virtual std::string ChooseSaveFileName(const std::string& folder, const std::string& fileName,
                                                         const std::string& defaultExt, const std::string& filter) = 0;
};

}  // namespace quillon::engine
