#include "analysis/window/SampleReader.h"

namespace quillon::app {

struct SampleReader::Running {
    SampleSpan Span;
    std::atomic<bool> Abort{false};
    engine::SampleResult Result;
};

SampleReader::SampleReader(LevelView& view) : QObject(&view), view_(view) {
    connect(&view, &LevelView::samplesWanted, this, [this](const SampleSpan& span) { Want(span); });
}

SampleReader::~SampleReader() { Stop(); }

void SampleReader::Stop() {
    pending_.reset();
    if (running_) running_->Abort.store(true);
    if (worker_.valid()) worker_.wait();
    running_.reset();
}

void SampleReader::SetSource(std::optional<SampleSource> source) {
    Stop();
    source_ = std::move(source);
    lastRead_.reset();
}

void SampleReader::Want(const SampleSpan& span) {
    pending_ = span;
    // The stretch shown moved on: what is being read is no longer wanted.
    if (running_) running_->Abort.store(true);
    else StartNext();
}

void SampleReader::StartNext() {
    if (!pending_ || running_) return;
    const SampleSpan span = *std::exchange(pending_, std::nullopt);
    if (!source_) {
        view_.SetFileChanged(true);
        return;
    }
    auto running = std::make_shared<Running>();
    running->Span = span;
    running_ = running;
    engine::SampleRequest request{source_->Path, source_->Identity, true, span.FirstFrame, span.Frames, span.Pixels};
    worker_ = std::async(std::launch::async, [this, running, request] {
        running->Result = engine::ReadSampleColumns(request, running->Abort);
        QMetaObject::invokeMethod(
            this, [this, running] { Ended(running); }, Qt::QueuedConnection);
    });
}

void SampleReader::Ended(const std::shared_ptr<Running>& running) {
    if (running != running_) return;
    worker_.wait();
    running_.reset();
    engine::SampleResult& result = running->Result;
    if (result.Outcome == engine::SampleRead::Read) {
        lastRead_ = Read{result.FirstFrame, result.FramesRead};
        view_.SetSamples(running->Span, std::move(result.Columns));
    } else if (result.Outcome == engine::SampleRead::NotTheAnalysedFile ||
               result.Outcome == engine::SampleRead::Unreadable) {
        view_.SetFileChanged(true);
    }
    StartNext();
}

}  // namespace quillon::app
