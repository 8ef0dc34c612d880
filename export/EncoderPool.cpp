#include "export/EncoderPool.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "platform/FileOps.h"

namespace quillon::engine {

using namespace platform;

EncoderPool::EncoderPool(SaveJob& job, const SaveHooks& hooks, unsigned threads, Encode encode)
    : job_(job),
      hooks_(hooks),
      encode_(std::move(encode)),
      seam_([this](DeferredSeam::Call call) { Keep(std::move(call)); }) {
    for (unsigned i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this] { Run(); });
        } catch (const std::system_error&) {
            break;  // fewer threads; with none, each conversion runs when handed over
        }
    }
}

EncoderPool::~EncoderPool() { Close(); }

void EncoderPool::SetAsking(bool asking) {
    std::lock_guard lock(mutex_);
    asking_ = asking;
    UpdatePhaseLocked();
}

void EncoderPool::Submit(std::size_t track, const std::string& waveName, bool keepWave, const std::string& mp3Name,
                         const std::string& temp, WindowSeam& seam) {
    auto conversion = NewConversion(track, mp3Name, temp);
    conversion->WaveName = waveName;
    conversion->KeepWave = keepWave;
    Enqueue(std::move(conversion), seam);
}

void EncoderPool::SubmitFlac(std::size_t track, int64_t offset, int64_t length, const std::string& flacName,
                             const std::string& temp, WindowSeam& seam) {
    auto conversion = NewConversion(track, flacName, temp);
    conversion->KeepWave = true;  // there is none
    conversion->Flac = true;
    conversion->SourceOffset = offset;
    conversion->SourceLength = length;
    Enqueue(std::move(conversion), seam);
}

std::shared_ptr<Mp3Conversion> EncoderPool::NewConversion(std::size_t track, const std::string& outName,
                                                          const std::string& temp) {
    auto conversion = std::make_shared<Mp3Conversion>();
    conversion->Number = ++handedOver_;
    conversion->Track = track;
    conversion->Mp3Name = outName;
    conversion->TempName = temp;
    return conversion;
}

void EncoderPool::Enqueue(std::shared_ptr<Mp3Conversion> conversion, WindowSeam& seam) {
    std::unique_lock lock(mutex_);
    job_.Conversions.Add(conversion);
    UpdatePhaseLocked();
    if (threads_.empty()) {
        lock.unlock();
        Convert(*conversion);
        ShowMessages(seam);
        return;
    }
    for (;;) {
        ShowMessagesLocked(lock, seam);
        if (waiting_.empty()) break;
        StopAllIfAborted();
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
    waiting_.push_back(std::move(conversion));
    changed_.notify_all();
}

void EncoderPool::ShowMessages(WindowSeam& seam) {
    std::unique_lock lock(mutex_);
    ShowMessagesLocked(lock, seam);
}

void EncoderPool::Finish(WindowSeam& seam) {
    std::unique_lock lock(mutex_);
    for (;;) {
        ShowMessagesLocked(lock, seam);
        if (waiting_.empty() && running_ == 0 && messages_.empty()) break;
        StopAllIfAborted();
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
    lock.unlock();
    Close();
}

void EncoderPool::Close() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (auto& thread : threads_) thread.join();
    threads_.clear();
}

// The abort reaches conversions begun after the Abort button's own stop,
// and routes that forget a stop made before they start.
void EncoderPool::StopAllIfAborted() {
    if (job_.AbortRequested.load()) job_.Conversions.StopAll();
}

void EncoderPool::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        std::shared_ptr<Mp3Conversion> conversion = std::move(waiting_.front());
        waiting_.pop_front();
        ++running_;
        changed_.notify_all();  // the job may hand the next one over
        lock.unlock();
        Convert(*conversion);
        conversion.reset();
        lock.lock();
        --running_;
        changed_.notify_all();
    }
}

void EncoderPool::Convert(Mp3Conversion& conversion) {
    const std::size_t index = conversion.Track;
    const std::string& waveName = conversion.WaveName;
    const std::string& temp = conversion.TempName;
    uint16_t result = NoConversion;
    const bool stopped = job_.AbortRequested.load() || conversion.Control.StopRequested();
    if (!stopped && !temp.empty()) {
        conversion.Started.store(true);
        result = encode_(conversion, seam_);
    }
    const bool converted = result == ConversionDone || result == ConversionDoneDropWave;
    TRACK_INFO_STRUCT& track = job_.Tracks[index];
    const auto dropWave = [&] {
        if (conversion.KeepWave || conversion.Flac) return;
        RemoveFile(waveName);
        track.WaveSaved = 0;
        // The name holds no file now, so none that is out of date.
        if (!FileExists(waveName)) track.Outdated &= uint8_t(~OutdatedWave);
    };
    if (converted && !conversion.Flac && job_.TagMp3) Tag(conversion);
    if (converted && ReplaceFile(temp, conversion.Mp3Name)) {
        track.Outdated &= uint8_t(~(conversion.Flac ? OutdatedFlac : OutdatedMp3));
        dropWave();
        ++job_.TracksSaved;
        if (hooks_.Mp3Written) hooks_.Mp3Written(index, conversion.Mp3Name);
    } else {
        if (!temp.empty()) RemoveFile(temp);
        if (job_.AbortRequested.load()) {
            dropWave();  // the job ends on abort
        } else {
            ReportFailure(conversion, result);
        }
    }
    std::lock_guard lock(mutex_);
    job_.Conversions.Remove(conversion);
    UpdatePhaseLocked();
    changed_.notify_all();
}

void EncoderPool::Tag(const Mp3Conversion& conversion) {
    if (hooks_.TagMp3 && hooks_.TagMp3(job_, conversion)) return;
    seam_.ShowErrorBox(FormatText(text::kMp3TagsFailed, {conversion.Mp3Name, job_.Tracks[conversion.Track].Name}));
}

void EncoderPool::ReportFailure(const Mp3Conversion& conversion, uint16_t result) {
    const std::string& name = job_.Tracks[conversion.Track].Name;
    if (conversion.Flac) {
        const std::string reason = conversion.TempName.empty() ? "its file could not be made"
                                                               : conversion.FailureReason;
        seam_.ShowErrorBox(FormatText(text::kFlacEncodeFailed, {name, reason}));
    } else if (result != ConversionRateRefused) {  // that one has its own message
        seam_.ShowErrorBox(FormatText(text::kMp3ConversionFailed, {name, conversion.WaveName}));
    }
}

void EncoderPool::Keep(DeferredSeam::Call call) {
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(call));
    changed_.notify_all();
}

// Shows the kept messages one by one, without the lock: a box waits for the user.
void EncoderPool::ShowMessagesLocked(std::unique_lock<std::mutex>& lock, WindowSeam& seam) {
    while (!messages_.empty()) {
        DeferredSeam::Call call = std::move(messages_.front());
        messages_.pop_front();
        lock.unlock();
        call(seam);
        lock.lock();
    }
}

void EncoderPool::UpdatePhaseLocked() { job_.InMp3Phase.store(asking_ || !job_.Conversions.Empty()); }

}  // namespace quillon::engine
