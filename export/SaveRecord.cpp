#include "export/SaveRecord.h"

#include <algorithm>

#include "app/ErrorCodes.h"

namespace quillon::engine {

void SaveJob::SetWaveOutputPath(const std::string& path) {
    std::lock_guard lock(pathMutex_);
    waveOutputPath_ = path;
}

void SaveJob::SetMp3OutputPath(const std::string& path) {
    std::lock_guard lock(pathMutex_);
    mp3OutputPath_ = path;
}

std::string SaveJob::WaveOutputPath() const {
    std::lock_guard lock(pathMutex_);
    return waveOutputPath_;
}

std::string SaveJob::Mp3OutputPath() const {
    std::lock_guard lock(pathMutex_);
    return mp3OutputPath_;
}

std::shared_ptr<Mp3Conversion> ConversionList::FirstRunning() const {
    std::lock_guard lock(mutex_);
    for (const auto& conversion : list_) {
        if (conversion->Started.load()) return conversion;
    }
    return nullptr;
}

uint64_t ConversionList::FirstRunningNumber() const {
    const auto first = FirstRunning();
    return first ? first->Number : 0;
}

std::size_t ConversionList::Running() const {
    std::lock_guard lock(mutex_);
    return std::size_t(std::count_if(list_.begin(), list_.end(), [](const auto& c) { return c->Started.load(); }));
}

void ConversionList::StopAll() {
    std::lock_guard lock(mutex_);
    for (const auto& conversion : list_) conversion->Control.RequestStop();
}

void ConversionList::Add(std::shared_ptr<Mp3Conversion> conversion) {
    std::lock_guard lock(mutex_);
    list_.push_back(std::move(conversion));
}

void ConversionList::Remove(const Mp3Conversion& conversion) {
    std::lock_guard lock(mutex_);
    std::erase_if(list_, [&conversion](const auto& c) { return c.get() == &conversion; });
}

bool ConversionList::Empty() const {
    std::lock_guard lock(mutex_);
    return list_.empty();
}

namespace {

uint32_t CheckedCount(const TrackList& tracks) {
    return uint32_t(std::count_if(tracks.begin(), tracks.end(), [](const TRACK_INFO_STRUCT& t) { return t.Checked; }));
}

}  // namespace

bool SavedEveryTrack(const SaveJob& job) { return job.TracksSaved.load() >= CheckedCount(job.Tracks); }

std::string SaveEndText(const SaveJob& job) {
    if (SavedEveryTrack(job)) return MessageText(MsgProcessCompleted);
    const uint32_t total = CheckedCount(job.Tracks), saved = job.TracksSaved.load();
    return FormatText(text::kSavedSome, {std::to_string(saved), std::to_string(total), total == 1 ? "track" : "tracks",
                                         std::to_string(total - saved), total - saved == 1 ? "was" : "were"});
}

}  // namespace quillon::engine
