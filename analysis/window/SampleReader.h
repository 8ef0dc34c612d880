#pragma once
// Reads the samples a zoomed overview shows, on a thread of its own, so the
// window never waits for the disk: one read at a time, and of the stretches
// asked for meanwhile only the newest is read next (a read overtaken by a
// newer wish stops between blocks). Before it reads, the file is checked to
// be the one analysed; if not, the view says so and nothing is read.

#include <QObject>

#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "analysis/SourceIdentity.h"
#include "analysis/window/LevelView.h"

namespace quillon::app {

// The recording the overview was made from, as the analysis found it.
struct SampleSource {
    std::string Path;
    engine::SourceIdentity Identity;
};

class SampleReader : public QObject {
    Q_OBJECT
public:
    explicit SampleReader(LevelView& view);
    // Stops a running read and waits for it.
    ~SampleReader() override;

    // A new analysis (nothing: none, or one whose file could not be identified).
    void SetSource(std::optional<SampleSource> source);
    void Want(const SampleSpan& span);
    // What the last finished read took from the file, in frames.
    struct Read {
        uint64_t FirstFrame = 0;
        uint64_t Frames = 0;
    };
    [[nodiscard]] std::optional<Read> LastRead() const { return lastRead_; }
    [[nodiscard]] bool Reading() const { return running_ != nullptr; }

private:
    struct Running;
    void StartNext();
    void Ended(const std::shared_ptr<Running>& running);
    void Stop();

    LevelView& view_;
    std::optional<SampleSource> source_;
    std::optional<SampleSpan> pending_;
    std::shared_ptr<Running> running_;
    std::future<void> worker_;
    std::optional<Read> lastRead_;
};

}  // namespace quillon::app
