#include "export/TrackWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "export/PrefetchReader.h"
#include "export/WaveWrite.h"

namespace quillon::engine {

using namespace platform;

void MeasureAvailable(Source& source) {
    const int64_t end = mmioSeek(source.file.get(), 0, SEEK_END);
    const int64_t bytes = std::clamp<int64_t>(end - source.data.dwDataOffset, 0, int64_t(source.dataSize));
    source.available = bytes - bytes % source.format.nBlockAlign;
}

TrackBytes TrackPlace(const TRACK_INFO_STRUCT& track, const Source& source) {
    const auto frame = [&source](const std::string& time) {
        return MsToFrames(uint32_t(TimeTextToMs(time)), source.format);
    };
    const int64_t align = source.format.nBlockAlign;
    const int64_t startFrame = frame(track.Start);
    const int64_t offset = std::min<int64_t>(startFrame * align, source.available);
    const int64_t length = std::max<int64_t>(0, (frame(track.Stop) - startFrame) * align);
    return {offset, std::min<int64_t>(length, source.available - offset)};
}

TrackWriter::TrackWriter(SaveJob& job, Source& source, std::vector<uint8_t> (&buffers)[2], std::string outputFolder,
                         const SaveHooks& hooks, unsigned copiesAtOnce)
    : job_(job),
      source_(source),
      outputFolder_(std::move(outputFolder)),
      hooks_(hooks),
      copiesAtOnce_(std::max(copiesAtOnce, 1u)),
      buffers_(buffers) {}

TrackWriter::~TrackWriter() { CancelAll(); }

bool TrackWriter::Writes(const std::string& path) const {
    // The file is not there yet: the names are compared as the job spelled them.
    return std::any_of(copies_.begin(), copies_.end(),
                       [&path](const std::unique_ptr<TrackCopy>& copy) { return copy->FinalPath == path; });
}

void TrackWriter::Begin(std::size_t track, const TrackBytes& place, const std::string& finalPath,
                        const std::string& trackName) {
    auto copy = std::make_unique<TrackCopy>();
    copy->Track = track;
    copy->Place = place;
    copy->FinalPath = finalPath;
    copy->TrackName = trackName;
    copy->Number = ++begun_;
    if (copies_.empty()) first_.store(copy->Number);
    TrackCopy& ref = *copy;
    copies_.push_back(std::move(copy));
    if (copiesAtOnce_ > 1) {
        try {
            ref.Done = std::async(std::launch::async, [this, &ref] { Copy(ref); });
            return;
        } catch (const std::system_error&) {
            // no thread to spare: copied here and now
        }
    }
    Copy(ref);
}

TrackWriter::Ended TrackWriter::EndFirst(WindowSeam& seam) {
    std::unique_ptr<TrackCopy> copy = std::move(copies_.front());
    copies_.pop_front();
    if (copy->Done.valid()) copy->Done.get();
    for (auto& said : copy->Said) said(seam);
    Ended ended{copy->Track, copy->FinalPath, copy->Result};
    if (ended.Result != CopyResult::Written) return ended;
    // Put in place only now, after every track begun before it.
    HMMIO out = std::exchange(copy->Out, nullptr);
    if (!CloseWaveOutput(out, copy->Data, copy->Riff) || !ReplaceFile(copy->Temp, copy->FinalPath)) {
        ended.Result = Fail(*copy, seam);
    }
    return ended;
}

void TrackWriter::FollowFirst() {
    if (!copies_.empty()) first_.store(copies_.front()->Number);
}

void TrackWriter::CancelAll() {
    for (auto& copy : copies_) copy->Cancel.store(true);
    for (auto& copy : copies_) {
        if (copy->Done.valid()) copy->Done.wait();
        Discard(*copy);
    }
    copies_.clear();
}

// The bytes are copied inside the kernel, one block per step; where the file
// systems refuse that, or the kernel sees no more of the source, the rest
// goes through memory, read ahead of the writes.
void TrackWriter::Copy(TrackCopy& copy) {
    DeferredSeam seam([&copy](DeferredSeam::Call call) { copy.Said.push_back(std::move(call)); });
    errno = 0;
    copy.Temp = CreateUniqueFile(ExtractFileDir(copy.FinalPath));
    if (!copy.Temp.empty()) copy.TempFolder = HeldFolder(copy.Temp);
    copy.Out = copy.Temp.empty()
                   ? nullptr
                   : CreateWaveOutput(copy.Temp, source_.format, copy.Riff, copy.Data, uint64_t(copy.Place.length));
    if (copy.Out == nullptr) {
        copy.Result = Fail(copy, seam, FailedAt::Creating);
        return;
    }
    const int64_t start = source_.data.dwDataOffset + copy.Place.offset;
    const int64_t length = copy.Place.length;
    std::unique_lock<std::mutex> memory(throughMemory_, std::defer_lock);
    std::optional<PrefetchReader> reader;  // once the kernel copy has given up
    int64_t done = 0;
    while (done < length) {
        if (job_.AbortRequested.load() || copy.Cancel.load()) {
            Discard(copy);
            copy.Result = CopyResult::Aborted;
            return;
        }
        int64_t copied = 0;
        if (!reader) {
            copied = mmioCopyRange(copy.Out, source_.file.get(), start + done,
                                   std::min(kSaveBlockBytes, length - done));
            if (copied == -1) {
                copy.Result = Fail(copy, seam);
                return;
            }
            if (copied <= 0) {
                memory.lock();
                mmioSeek(source_.file.get(), start + done, SEEK_SET);
                for (auto& buffer : buffers_) buffer.resize(std::size_t(kSaveBlockBytes));
                reader.emplace(source_.file.get(), length - done, buffers_[0], buffers_[1]);
            }
        }
        if (reader) {
            const PrefetchReader::Block block = reader->Next();
            if (block.size == 0) {
                reader.reset();
                copy.Result = LoseSource(copy, seam);
                return;
            }
            if (mmioWrite(copy.Out, block.data, block.size) != block.size) {
                reader.reset();
                copy.Result = Fail(copy, seam);
                return;
            }
            copied = block.size;
        }
        done += copied;
        ShowProgress(copy, int32_t(done * 100 / length));
    }
    copy.Result = CopyResult::Written;
}

void TrackWriter::ShowProgress(const TrackCopy& copy, int32_t percent) {
    if (first_.load() != copy.Number) return;
    job_.Progress.store(percent);
    if (hooks_.Progress) hooks_.Progress(percent);
}

namespace {

// Whether every later track in the same folder would fail as this one did: the
// folder's file system is full or read-only, or no file may be made in it.
// Anything else (a name the file system refuses, a read-only file in the
// way) is the track's own.
bool FailsTheWholeFolder(int error, FailedAt at) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EROFS: return true;
    case EACCES: return at == FailedAt::Creating;
    default: return false;
    }
}

}  // namespace

CopyResult TrackWriter::Fail(TrackCopy& copy, WindowSeam& seam, FailedAt at) {
    const int error = errno != 0 ? errno : EIO;
    Discard(copy);
    if (copy.Cancel.load()) return CopyResult::Aborted;
    // A file named into another folder fails alone; a lost output folder
    // would fail every track after it.
    if (!DirectoryExists(outputFolder_)) {
        ShowErrorMessage(seam, MsgOutputFolderMissing);
        return CopyResult::FolderLost;
    }
    seam.ShowErrorBox(FormatText(text::kCannotWriteFile, {copy.FinalPath, std::strerror(error)}));
    const bool inOutputFolder = SameFile(ExtractFileDir(copy.FinalPath), outputFolder_);
    return inOutputFolder && FailsTheWholeFolder(error, at) ? CopyResult::FolderLost : CopyResult::Failed;
}

// The source was cut short or became unreadable after the tracks were found.
CopyResult TrackWriter::LoseSource(TrackCopy& copy, WindowSeam& seam) {
    Discard(copy);
    seam.ShowErrorBox(FormatText(text::kSourceLost, {job_.SourcePath, copy.TrackName}));
    return CopyResult::SourceLost;
}

void TrackWriter::Discard(TrackCopy& copy) {
    if (copy.Out != nullptr) mmioClose(std::exchange(copy.Out, nullptr));
    if (!copy.Temp.empty()) copy.TempFolder.Remove(std::exchange(copy.Temp, std::string()));
}

}  // namespace quillon::engine
