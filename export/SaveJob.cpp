#include "export/SaveJob.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <set>

#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "export/EncoderPool.h"
#include "export/SourceCheck.h"
#include "export/TrackWriter.h"
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

bool IsUsableTrackName(const std::string& name) {
    // A double quote would split the name on the companion's command line.
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\"") == std::string::npos;
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

// The MP3 name of a written track, asked on the job's thread, and its
// conversion handed to the encoders.
void ConvertTrack(SaveJob& job, EncoderPool& pool, std::size_t index, const std::string& waveName, bool keepWave,
                  WindowSeam& seam) {
    pool.SetAsking(true);
    const std::string mp3Name = ConfirmOutputName(job.Mp3OutputPath(), "*.mp3", "MP3 File|*.mp3", job.SourcePath, seam,
                                                  waveName);
    job.SetMp3OutputPath(mp3Name);
    if (!mp3Name.empty())
        pool.Submit(index, waveName, keepWave, mp3Name, CreateUniqueFile(ExtractFileDir(mp3Name)), seam);
    pool.SetAsking(false);
}

// The encoder threads of an MP3 save: one per core, at most one per track to save.
// The wave tracks copied at once: as the job asks, or two where there are two cores.
unsigned WaveCopyCount(const SaveJob& job) {
    if (job.WaveCopies != 0) return job.WaveCopies;
    return std::min(UsableCores(), 2u);
}

unsigned EncoderThreadCount(const SaveJob& job) {
    const auto tracks = std::size_t(
        std::count_if(job.Tracks.begin(), job.Tracks.end(), [](const TRACK_INFO_STRUCT& t) { return t.Checked != 0; }));
    const unsigned wanted = job.EncoderThreads != 0 ? job.EncoderThreads : UsableCores();
    return unsigned(std::min<std::size_t>(wanted, tracks));
}

}  // namespace

SaveEnd RunSaveJob(SaveJob& job, WindowSeam& seam, const SaveHooks& hooks) {
    Source source;
    if (!OpenWaveFile(job.SourcePath, source.file, source.format, source.data, source.dataSize, seam)) {
        return FinishWithoutWork(job, hooks, seam);
    }
    MeasureAvailable(source);
    if (!HoldsAnalysedTracks(source, job.Analysed, job.Tracks)) {
        source.file.reset();
        seam.ShowErrorBox(FormatText(text::kSourceLost, {job.SourcePath, FirstCheckedName(job.Tracks)}));
        return FinishWithoutWork(job, hooks, seam);
    }
    uint32_t total = job.CheckedDurationMs;
    if (job.SaveAsMp3) total += total / 2;
    if (!HasFreeSpace(job.OutputFolder, total, source.format)) {
        seam.ShowMessageBox(MessageText(MsgNotEnoughSpace));
        source.file.reset();
        return FinishWithoutWork(job, hooks, seam);
    }
    std::vector<uint8_t> buffers[2];
    try {
        for (auto& buffer : buffers) buffer.reserve(std::size_t(kSaveBlockBytes));
    } catch (const std::bad_alloc&) {
        ShowErrorMessage(seam, MsgCouldNotAllocate);
        return FinishWithoutWork(job, hooks, seam);
    }
    const std::string folder = hooks.OutputFolder ? hooks.OutputFolder() : job.OutputFolder;
    if (!DirectoryExists(folder)) {
        source.file.reset();
        ShowErrorMessage(seam, MsgOutputFolderMissing);
        return FinishWithoutWork(job, hooks, seam);
    }
    RemoveStaleTempFiles(folder);

    // The MP3 phase asks its questions after each wave file is in place, so
    // an MP3 save writes its waves one after another; its encoders use the cores.
    const unsigned copies = job.SaveAsMp3 ? 1 : WaveCopyCount(job);
    TrackWriter writer(job, source, buffers, folder, hooks, copies);
    std::optional<EncoderPool> pool;
    if (job.SaveAsMp3 && hooks.ConvertToMp3) pool.emplace(job, hooks, EncoderThreadCount(job));
    // Every end of the work waits for the conversions handed over.
    const auto finishConversions = [&pool, &seam] {
        if (pool) pool->Finish(seam);
    };
    const auto endOnAbort = [&] {
        writer.CancelAll();
        finishConversions();
        return EndOnAbort(job, hooks, seam);
    };
    bool ended = false;  // a lost source or output folder: nothing more is begun
    // For MP3 output: which tracks' wave names held a file the job did not make.
    std::vector<bool> waveWasThere(job.Tracks.size(), false);
    std::set<std::string> madeByJob;
    // Ends the earliest begun track, in order: its file in place, its flags,
    // its conversion; then the next begun track's progress is shown.
    const auto endFirst = [&]() -> std::optional<SaveEnd> {
        const TrackWriter::Ended end = writer.EndFirst(seam);
        if (end.Result == CopyResult::Aborted) return endOnAbort();
        if (end.Result == CopyResult::SourceLost || end.Result == CopyResult::FolderLost) {
            writer.CancelAll();
            ended = true;
            return std::nullopt;
        }
        if (end.Result == CopyResult::Written) {
            job.Tracks[end.Track].WaveSaved = 1;
            madeByJob.insert(end.Path);
            if (!job.SaveAsMp3) ++job.TracksSaved;
            if (hooks.FileWritten) hooks.FileWritten(end.Track, end.Path);
            job.Progress.store(100);
            Pause(hooks, 150);
            job.Progress.store(0);
            Pause(hooks, 150);
            if (pool) ConvertTrack(job, *pool, end.Track, end.Path, waveWasThere[end.Track], seam);
        }
        if (!writer.Empty()) job.SetWaveOutputPath(writer.FirstPath());
        writer.FollowFirst();
        return std::nullopt;
    };
    const auto endAll = [&]() -> std::optional<SaveEnd> {
        while (!writer.Empty() && !ended) {
            if (auto end = endFirst()) return end;
        }
        return std::nullopt;
    };
    for (std::size_t i = 0; i < job.Tracks.size() && !ended; ++i) {
        if (pool) pool->ShowMessages(seam);
        if (writer.Empty()) job.Progress.store(0);
        TRACK_INFO_STRUCT& track = job.Tracks[i];
        if (!track.Checked) continue;
        const TrackBytes place = TrackPlace(track, source);
        std::string waveName = folder + track.Name + ".wav";
        // A question comes only after every track before it is in place, as
        // when they are copied one after another (and a name a begun track
        // goes to is asked about once that track's file is there).
        if (FileExists(waveName) || writer.Writes(waveName)) {
            if (auto end = endAll()) return *end;
            if (ended) break;
        }
        job.SetWaveOutputPath(waveName);
        job.SetMp3OutputPath(folder + track.Name + ".MP3");
        if (job.AbortRequested.load()) return endOnAbort();
        if (!IsUsableTrackName(track.Name)) {
            seam.ShowErrorBox(FormatText(text::kBadTrackName, {track.Name}));
            continue;
        }
        waveName = ConfirmOutputName(waveName, "*.wav", "Wave File|*.wav", job.SourcePath, seam);
        job.SetWaveOutputPath(waveName);
        if (waveName.empty()) continue;
        job.SetMp3OutputPath(waveName.substr(0, waveName.size() >= 4 ? waveName.size() - 4 : 0) + ".MP3");
        waveWasThere[i] = FileExists(waveName) && !madeByJob.contains(waveName);
        writer.Begin(i, place, waveName, track.Name);
        if (writer.Full()) {
            if (auto end = endFirst()) return *end;
        }
        if (!writer.Empty()) job.SetWaveOutputPath(writer.FirstPath());
    }
    if (auto end = endAll()) return *end;
    source.file.reset();
    if (pool) {
        finishConversions();
        // An abort during the last conversions still ends the job as an abort.
        if (job.AbortRequested.load()) return EndOnAbort(job, hooks, seam);
    }
    EndOfJob(job, hooks, seam);
    job.State.store(JobFinished);
    return SaveEnd::Finished;
}

}  // namespace quillon::engine
