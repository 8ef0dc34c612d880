#include "export/SaveJob.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "export/EncoderPool.h"
#include "export/SourceCheck.h"
#include "export/TrackWriter.h"
#include "export/flac/FlacTrack.h"
#include "platform/Cores.h"
#include "platform/DiskSpace.h"
#include "platform/FileOps.h"

namespace quillon::engine {

using namespace platform;

void MarkTracksToSave(TrackList& tracks, const std::vector<bool>& rowChecked, bool skipSavedWaves,
                      const std::string& outputFolder) {
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const bool checked = i < rowChecked.size() && rowChecked[i];
        const bool saved = checked && skipSavedWaves && FileExists(outputFolder + tracks[i].Name + ".wav");
        tracks[i].Checked = checked && !saved ? 1 : 0;
    }
}

uint32_t CheckedTracksDuration(const TrackList& tracks, const std::vector<bool>& rowChecked) {
    uint32_t total = 0;
    for (std::size_t i = 0; i < tracks.size() && i < rowChecked.size(); ++i) {
        if (rowChecked[i]) total += uint32_t(TimeTextToMs(tracks[i].Duration));
    }
    return total;
}

bool HasFreeSpace(const std::string& folder, uint32_t totalMs, const WaveFormat& format) {
    const uint64_t seconds = totalMs / 1000;
    const uint64_t neededKiB = (seconds * format.nSamplesPerSec * format.nBlockAlign) >> 10;
    const int64_t freeBytes = FreeBytes(folder);
    const uint64_t freeKiB = freeBytes < 0 ? 0 : uint64_t(freeBytes) / 1024;
    return freeKiB >= neededKiB;
}

std::string ConfirmOutputName(const std::string& path, const std::string& defaultExt, const std::string& filter,
                              const std::string& sourcePath, WindowSeam& seam, const std::string& trackWave) {
    const auto isTrackWave = [&trackWave](const std::string& name) {
        return !trackWave.empty() && SameFile(name, trackWave);
    };
    if (!FileExists(path)) return path;
    if (!SameFile(path, sourcePath) && !isTrackWave(path) &&
        seam.AskYesNo(MessageText(MsgFileExistsPrefix) + path + MessageText(MsgFileExistsOverwrite))) {
        return path;
    }
    const std::string chosen = seam.ChooseSaveFileName(AddTrailingBackslash(ExtractFileDir(path)), path, defaultExt,
                                                       filter);
    if (chosen.empty()) return {};
    if (SameFile(chosen, sourcePath)) {
        seam.ShowErrorBox(FormatText(text::kSourceIsOutput, {chosen}));
        return {};
    }
    if (isTrackWave(chosen)) {
        seam.ShowErrorBox(FormatText(text::kMp3NameIsTrackWave, {chosen}));
        return {};
    }
    return chosen;
}

namespace {

void Pause(const SaveHooks& hooks, int ms) {
    if (hooks.Sleep) hooks.Sleep(std::chrono::milliseconds(ms));
}

void EndOfJob(SaveJob& job, const SaveHooks& hooks, WindowSeam& seam) {
    if (job.HandOff && hooks.LaunchCompanion) hooks.LaunchCompanion(job, seam);
}

SaveEnd FinishWithoutWork(SaveJob& job, const SaveHooks& hooks, WindowSeam& seam) {
    job.State.store(JobFinished);
    EndOfJob(job, hooks, seam);
    return SaveEnd::Finished;
}

SaveEnd EndOnAbort(SaveJob& job, const SaveHooks& hooks, WindowSeam& seam) {
    EndOfJob(job, hooks, seam);
    return SaveEnd::Aborted;
}

// The wave tracks copied at once: as the job asks, or two where there are two cores.
unsigned WaveCopyCount(const SaveJob& job) {
    if (job.WaveCopies != 0) return job.WaveCopies;
    return std::min(UsableCores(), 2u);
}

// The encoder threads of an MP3 save: one per core, at most one per track to save.
unsigned EncoderThreadCount(const SaveJob& job) {
    const auto tracks = std::size_t(
        std::count_if(job.Tracks.begin(), job.Tracks.end(), [](const TRACK_INFO_STRUCT& t) { return t.Checked != 0; }));
    const unsigned wanted = job.EncoderThreads != 0 ? job.EncoderThreads : UsableCores();
    return unsigned(std::min<std::size_t>(wanted, tracks));
}

// Opens the source and checks that it is still the analysed recording and
// that the output folder's file system has room; false once the user was told
// why not.
bool OpenSource(SaveJob& job, Source& source, WindowSeam& seam) {
    if (!OpenWaveFile(job.SourcePath, source.file, source.format, source.data, source.dataSize, seam)) return false;
    MeasureAvailable(source);
    if (!HoldsAnalysedTracks(source, job.Analysed, job.Tracks)) {
        source.file.reset();
        seam.ShowErrorBox(FormatText(text::kSourceLost, {job.SourcePath, FirstCheckedName(job.Tracks)}));
        return false;
    }
    if (job.SaveAsFlac && !FlacHolds(source.format)) {
        source.file.reset();
        seam.ShowErrorBox(text::kFlacNoFloat);
        return false;
    }
    // A FLAC file is smaller than its wave, which is the estimate.
    uint32_t total = job.CheckedDurationMs;
    if (job.SaveAsMp3) total += total / 2;
    if (!HasFreeSpace(job.OutputFolder, total, source.format)) {
        seam.ShowMessageBox(MessageText(MsgNotEnoughSpace));
        source.file.reset();
        return false;
    }
    return true;
}

// The copies' two blocks; false once the user was told there is no memory for them.
bool ReserveBuffers(std::vector<uint8_t> (&buffers)[2], WindowSeam& seam) {
    try {
        for (auto& buffer : buffers) buffer.reserve(std::size_t(kSaveBlockBytes));
    } catch (const std::bad_alloc&) {
        ShowErrorMessage(seam, MsgCouldNotAllocate);
        return false;
    }
    return true;
}

// One save's tracks once the source and the output folder are checked: each
// begun in order and ended in order, and for MP3 output its conversion handed
// to the encoders. Every way out of Run has ended the job (EndOfJob).
class SaveRun {
public:
    SaveRun(SaveJob& job, WindowSeam& seam, const SaveHooks& hooks, Source& source, std::vector<uint8_t> (&buffers)[2],
            const std::string& folder);
    [[nodiscard]] SaveEnd Run();

private:
    std::optional<SaveEnd> SaveTrack(std::size_t index);
    void EncodeTrack(std::size_t index);
    [[nodiscard]] EncoderPool::Encode PoolEncode();
    std::optional<SaveEnd> EndFirst();
    std::optional<SaveEnd> EndAll();
    void TrackWritten(const TrackWriter::Ended& end);
    void ConvertTrack(std::size_t index, const std::string& waveName);
    SaveEnd AbortAll();
    void FinishConversions();

    SaveJob& job_;
    WindowSeam& seam_;
    const SaveHooks& hooks_;
    Source& source_;
    const std::string folder_;
    TrackWriter writer_;
    std::optional<EncoderPool> pool_;
    bool ended_ = false;  // a lost source or output folder: nothing more is begun
    // For MP3 output: which tracks' wave names held a file the job did not make.
    std::vector<bool> waveWasThere_;
    std::set<std::string> madeByJob_;
};

// The MP3 phase asks its questions after each wave file is in place, so an
// MP3 save writes its waves one after another; its encoders use the cores.
SaveRun::SaveRun(SaveJob& job, WindowSeam& seam, const SaveHooks& hooks, Source& source,
                 std::vector<uint8_t> (&buffers)[2], const std::string& folder)
    : job_(job),
      seam_(seam),
      hooks_(hooks),
      source_(source),
      folder_(folder),
      writer_(job, source, buffers, folder, hooks, job.SaveAsMp3 ? 1 : WaveCopyCount(job)),
      waveWasThere_(job.Tracks.size(), false) {
    const bool encodes = job.SaveAsFlac ? bool(hooks.EncodeFlac) : job.SaveAsMp3 && hooks.ConvertToMp3;
    if (encodes) pool_.emplace(job, hooks, EncoderThreadCount(job), PoolEncode());
}

EncoderPool::Encode SaveRun::PoolEncode() {
    if (job_.SaveAsFlac) {
        return [this](Mp3Conversion& conversion, WindowSeam&) {
            return hooks_.EncodeFlac(job_, conversion, mmioDescriptor(source_.file.get()), source_.format);
        };
    }
    return [this](Mp3Conversion& conversion, WindowSeam& seam) { return hooks_.ConvertToMp3(job_, conversion, seam); };
}

SaveEnd SaveRun::Run() {
    for (std::size_t i = 0; i < job_.Tracks.size() && !ended_; ++i) {
        if (auto end = SaveTrack(i)) return *end;
    }
    if (auto end = EndAll()) return *end;
    // FLAC encodings read the recording until they end.
    if (!job_.SaveAsFlac) source_.file.reset();
    if (pool_) {
        FinishConversions();
        // An abort during the last conversions still ends the job as an abort.
        if (job_.AbortRequested.load()) return EndOnAbort(job_, hooks_, seam_);
    }
    EndOfJob(job_, hooks_, seam_);
    job_.State.store(JobFinished);
    return SaveEnd::Finished;
}

// Settles the track's wave name and begins its copy; nullopt goes on with the
// next track, also when this one is skipped.
std::optional<SaveEnd> SaveRun::SaveTrack(std::size_t index) {
    if (pool_) pool_->ShowMessages(seam_);
    if (writer_.Empty()) job_.Progress.store(0);
    const TRACK_INFO_STRUCT& track = job_.Tracks[index];
    if (!track.Checked) return std::nullopt;
    if (job_.SaveAsFlac) {
        if (pool_) EncodeTrack(index);
        return job_.AbortRequested.load() ? std::optional<SaveEnd>(AbortAll()) : std::nullopt;
    }
    const TrackBytes place = TrackPlace(track, source_);
    std::string waveName = folder_ + track.Name + ".wav";
    // A question comes only after every track before it is in place, as
    // when they are copied one after another (and a name a begun track
    // goes to is asked about once that track's file is there).
    if (FileExists(waveName) || writer_.Writes(waveName)) {
        if (auto end = EndAll()) return end;
        if (ended_) return std::nullopt;
    }
    job_.SetWaveOutputPath(waveName);
    job_.SetMp3OutputPath(folder_ + track.Name + ".MP3");
    if (job_.AbortRequested.load()) return AbortAll();
    if (!IsUsableTrackName(track.Name)) {
        seam_.ShowErrorBox(FormatText(text::kBadTrackName, {track.Name}));
        return std::nullopt;
    }
    waveName = ConfirmOutputName(waveName, "*.wav", "Wave File|*.wav", job_.SourcePath, seam_);
    job_.SetWaveOutputPath(waveName);
    if (waveName.empty()) return std::nullopt;
    job_.SetMp3OutputPath(waveName.substr(0, waveName.size() >= 4 ? waveName.size() - 4 : 0) + ".MP3");
    waveWasThere_[index] = FileExists(waveName) && !madeByJob_.contains(waveName);
    writer_.Begin(index, place, waveName, track.Name);
    if (writer_.Full()) {
        if (auto end = EndFirst()) return end;
    }
    if (!writer_.Empty()) job_.SetWaveOutputPath(writer_.FirstPath());
    return std::nullopt;
}

// Ends the earliest begun track, in order: its file in place, its flags,
// its conversion; then the next begun track's progress is shown.
std::optional<SaveEnd> SaveRun::EndFirst() {
    const TrackWriter::Ended end = writer_.EndFirst(seam_);
    if (end.Result == CopyResult::Aborted) return AbortAll();
    if (end.Result == CopyResult::SourceLost || end.Result == CopyResult::FolderLost) {
        writer_.CancelAll();
        ended_ = true;
        return std::nullopt;
    }
    if (end.Result == CopyResult::Written) TrackWritten(end);
    if (!writer_.Empty()) job_.SetWaveOutputPath(writer_.FirstPath());
    writer_.FollowFirst();
    return std::nullopt;
}

std::optional<SaveEnd> SaveRun::EndAll() {
    while (!writer_.Empty() && !ended_) {
        if (auto end = EndFirst()) return end;
    }
    return std::nullopt;
}

void SaveRun::TrackWritten(const TrackWriter::Ended& end) {
    job_.Tracks[end.Track].WaveSaved = 1;
    job_.Tracks[end.Track].Outdated &= uint8_t(~OutdatedWave);
    madeByJob_.insert(end.Path);
    if (!job_.SaveAsMp3) ++job_.TracksSaved;
    if (hooks_.FileWritten) hooks_.FileWritten(end.Track, end.Path);
    job_.Progress.store(100);
    Pause(hooks_, 150);
    job_.Progress.store(0);
    Pause(hooks_, 150);
    if (pool_) ConvertTrack(end.Track, end.Path);
}

// The MP3 name of a written track, asked on the job's thread, and its
// conversion handed to the encoders.
void SaveRun::ConvertTrack(std::size_t index, const std::string& waveName) {
    pool_->SetAsking(true);
    const std::string mp3Name = ConfirmOutputName(job_.Mp3OutputPath(), "*.mp3", "MP3 File|*.mp3", job_.SourcePath,
                                                  seam_, waveName);
    job_.SetMp3OutputPath(mp3Name);
    if (!mp3Name.empty())
        pool_->Submit(index, waveName, waveWasThere_[index], mp3Name, CreateUniqueFile(ExtractFileDir(mp3Name)), seam_);
    pool_->SetAsking(false);
}

// A FLAC track: its name settled as a wave's is, then its encoding handed
// to the encoders, which read it from the recording.
void SaveRun::EncodeTrack(std::size_t index) {
    const TRACK_INFO_STRUCT& track = job_.Tracks[index];
    const std::string flacName = folder_ + track.Name + ".flac";
    job_.SetMp3OutputPath(flacName);
    if (job_.AbortRequested.load()) return;
    if (!IsUsableTrackName(track.Name)) {
        seam_.ShowErrorBox(FormatText(text::kBadTrackName, {track.Name}));
        return;
    }
    pool_->SetAsking(true);
    const std::string chosen = ConfirmOutputName(flacName, "*.flac", "FLAC File|*.flac", job_.SourcePath, seam_);
    job_.SetMp3OutputPath(chosen);
    if (!chosen.empty()) {
        const TrackBytes place = TrackPlace(track, source_);
        pool_->SubmitFlac(index, source_.data.dwDataOffset + place.offset, place.length, chosen,
                          CreateUniqueFile(ExtractFileDir(chosen)), seam_);
    }
    pool_->SetAsking(false);
}

// Every begun track stops and leaves nothing; the job ends as an abort.
SaveEnd SaveRun::AbortAll() {
    writer_.CancelAll();
    FinishConversions();
    return EndOnAbort(job_, hooks_, seam_);
}

// Every end of the work waits for the conversions handed over.
void SaveRun::FinishConversions() {
    if (pool_) pool_->Finish(seam_);
}

}  // namespace

SaveEnd RunSaveJob(SaveJob& job, WindowSeam& seam, const SaveHooks& hooks) {
    Source source;
    if (!OpenSource(job, source, seam)) return FinishWithoutWork(job, hooks, seam);
    std::vector<uint8_t> buffers[2];
    if (!ReserveBuffers(buffers, seam)) return FinishWithoutWork(job, hooks, seam);
    const std::string folder = hooks.OutputFolder ? hooks.OutputFolder() : job.OutputFolder;
    if (!DirectoryExists(folder)) {
        source.file.reset();
        ShowErrorMessage(seam, MsgOutputFolderMissing);
        return FinishWithoutWork(job, hooks, seam);
    }
    RemoveStaleTempFiles(folder);
    return SaveRun(job, seam, hooks, source, buffers, folder).Run();
}

}  // namespace quillon::engine
