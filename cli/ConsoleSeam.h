#pragma once
// The window seam of the command line: messages go to stderr as plain lines,
// the file's facts are kept for the output, and a progress bar is drawn on
// stderr when it is a terminal.

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "app/WindowSeam.h"
#include "cli/WaveDescription.h"

namespace quillon::cli {

struct WaveFacts {
    uint32_t durationMs = 0;
    uint32_t samplesPerSec = 0;
    uint32_t bitsPerSample = 0;
    uint32_t channels = 0;
    engine::SampleKind kind = engine::SampleKind::Signed16;
    StoredFormat stored;  // read from the source file's fmt chunk
};

// text without the spaces and line breaks at its end, as a line is printed.
[[nodiscard]] std::string TrimmedLine(const std::string& text);

class ConsoleSeam final : public engine::WindowSeam {
public:
    explicit ConsoleSeam(std::FILE* err) : err_(err) {}

    // Keeps the facts, with what the source's fmt chunk says of its samples.
    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      engine::SampleKind kind, bool clear) override;
    void ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                      bool clear) override {
        ShowWaveInfo(durationMs, samplesPerSec, bitsPerSample, channels, engine::ClassicKind(bitsPerSample), clear);
    }
    void SetStatusText(const std::string&) override {}
    void StopAnalysis() override {}
    // Message 105 (format not supported) is followed by a line saying what the
    // source file holds, so the user learns why without another tool.
    void ShowErrorBox(const std::string& text) override;
    void ShowMessageBox(const std::string& text) override { Print(text); }
    // Asked on the terminal when there is one; otherwise the answer set by the
    // command line, or No. No at once once the watched abort is requested, and
    // a question waiting for its answer then ends with No.
    bool AskYesNo(const std::string& text) override;
    // There is no dialog on the command line: the file is skipped, and when
    // it is the recording itself (a hard link of it, say) the user is told why.
    std::string ChooseSaveFileName(const std::string& folder, const std::string& fileName,
                                   const std::string& defaultExt, const std::string& filter) override;
    // Message number's text, then detail on a line of its own (a path, say).
    void ShowErrorWithDetail(int number, const std::string& detail);
    // The recording being read or cut, which is never overwritten.
    void SetSource(const std::string& path) { source_ = path; }

    enum class Overwrite { Ask, Yes, No };
    void SetOverwrite(Overwrite answer) { overwrite_ = answer; }
    // The job's abort flag, which must outlive every question asked.
    void WatchAbort(const std::atomic<bool>& abortRequested) { abort_ = &abortRequested; }

    // Redraws the bar at percent (0..100); only when the stream is a terminal,
    // and not while a question waits for its answer.
    void DrawProgress(int percent);
    // Removes the bar, if one is drawn.
    void EndProgress();

    [[nodiscard]] WaveFacts Facts() const;

private:
    void Print(const std::string& text);
    void EraseBarLocked();
    [[nodiscard]] bool Aborted() const { return abort_ != nullptr && abort_->load(); }
    // One line from the terminal, read in short waits so an abort is seen;
    // false at its end, on an error or on the abort.
    [[nodiscard]] bool ReadAnswer(std::string& answer) const;

    std::FILE* err_;
    mutable std::mutex mutex_;
    bool barShown_ = false;
    WaveFacts facts_;
    Overwrite overwrite_ = Overwrite::Ask;
    std::string source_;
    const std::atomic<bool>* abort_ = nullptr;
};

}  // namespace quillon::cli
