#pragma once
// The save job's wave files: each track's bytes copied from the recording into
// a temporary file beside its final name, put in place when complete. Up to
// two tracks are copied at once (on a machine with two cores the kernel's
// copy is what bounds the save), but they end in the order they were begun:
// a track is put in place, and what its copy had to say is shown, only after
// every track before it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/WaveFormat.h"
#include "app/TrackList.h"
#include "export/DeferredSeam.h"
#include "export/SaveJob.h"
#include "platform/FileOps.h"
#include "platform/Mmio.h"

namespace quillon::engine {

// Failed: this track only. SourceLost and FolderLost end the job: every
// track after it would fail the same way (FolderLost: the output folder is
// gone, full, read-only or closed to new files).
enum class CopyResult { Written, Aborted, Failed, SourceLost, FolderLost };

// Where a track's copy failed: making its temporary file, or writing it.
enum class FailedAt { Creating, Writing };

struct Source {
    platform::UniqueHmmio file;
    WaveFormat format;
    platform::MMCKINFO data;
    uint64_t dataSize = 0;
    int64_t available = 0;  // the data bytes the file holds in whole frames, at most dataSize
};

// A recording cut short holds less than its data chunk declares; the tracks
// were found in what it holds, in whole frames.
void MeasureAvailable(Source& source);

struct TrackBytes {
    int64_t offset = 0;
    int64_t length = 0;
};

// The track's place in the data chunk: times to frames as the track times
// convert them (in 64 bits: past 2^32 frames too), frames to bytes, kept
// inside the data chunk.
[[nodiscard]] TrackBytes TrackPlace(const TRACK_INFO_STRUCT& track, const Source& source);

// One track on its way to its file.
struct TrackCopy {
    std::size_t Track = 0;
    TrackBytes Place;
    std::string FinalPath;
    std::string TrackName;
    uint64_t Number = 0;                  // 1, 2, ... in the order begun
    std::atomic<bool> Cancel{false};      // an earlier track ended the job: stop, leave nothing
    std::deque<DeferredSeam::Call> Said;  // what the copy said, for the job's thread to show
    // Left by the copy for the job's thread to put in place (out open).
    std::string Temp;
    platform::HeldFolder TempFolder;  // so the temporary file goes even when its folder was moved
    platform::HMMIO Out = nullptr;
    platform::MMCKINFO Riff{}, Data{};
    CopyResult Result = CopyResult::Failed;
    std::future<void> Done;  // when copied on a thread of its own
};

class TrackWriter {
public:
    // outputFolder: the job's folder; only its loss ends the job. copiesAtOnce:
    // 1 copies each track on the job's thread when it is begun.
    // buffers: two of kSaveBlockBytes reserved, touched only where the kernel
    // will not copy.
    TrackWriter(SaveJob& job, Source& source, std::vector<uint8_t> (&buffers)[2], std::string outputFolder,
                const SaveHooks& hooks, unsigned copiesAtOnce);
    ~TrackWriter();
    TrackWriter(const TrackWriter&) = delete;
    TrackWriter& operator=(const TrackWriter&) = delete;

    // Whether a begun track, not yet ended, goes to path.
    [[nodiscard]] bool Writes(const std::string& path) const;
    [[nodiscard]] bool Full() const { return copies_.size() >= copiesAtOnce_; }
    [[nodiscard]] bool Empty() const { return copies_.empty(); }
    // The final path of the earliest begun track (call only when not Empty).
    [[nodiscard]] const std::string& FirstPath() const { return copies_.front()->FinalPath; }
    // Begins copying a track (call only when not Full).
    void Begin(std::size_t track, const TrackBytes& place, const std::string& finalPath, const std::string& trackName);
    // Waits for the earliest begun track, shows what its copy said, and puts
    // its file in place. The track's index and how it ended.
    struct Ended {
        std::size_t Track = 0;
        std::string Path;
        CopyResult Result = CopyResult::Failed;
    };
    [[nodiscard]] Ended EndFirst(WindowSeam& seam);
    // From now on the earliest begun track shows its progress (until then,
    // none does: the job shows the ended one's end).
    void FollowFirst();
    // Stops every begun track and waits: nothing of them stays, nothing they said is shown.
    void CancelAll();

private:
    void Copy(TrackCopy& copy);
    CopyResult Fail(TrackCopy& copy, WindowSeam& seam, FailedAt at = FailedAt::Writing);
    CopyResult LoseSource(TrackCopy& copy, WindowSeam& seam);
    void Discard(TrackCopy& copy);
    void ShowProgress(const TrackCopy& copy, int32_t percent);

    SaveJob& job_;
    Source& source_;
    std::string outputFolder_;
    const SaveHooks& hooks_;
    unsigned copiesAtOnce_;
    uint64_t begun_ = 0;
    std::atomic<uint64_t> first_{0};  // the Number of the earliest track not ended: its progress is shown
    std::deque<std::unique_ptr<TrackCopy>> copies_;
    // Where the kernel will not copy, the bytes go through memory, read ahead
    // from the recording's one stream: one copy at a time.
    std::mutex throughMemory_;
    std::vector<uint8_t> (&buffers_)[2];
};

}  // namespace quillon::engine
