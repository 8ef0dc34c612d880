#include "export/SaveJob.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "export/PrefetchReader.h"
#include "export/WaveWrite.h"
#include "platform/DiskSpace.h"
#include "platform/FileOps.h"

namespace quillon::engine {

using namespace platform;

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

// Failed: this track only. SourceLost and FolderLost end the job: every
// track after it would fail the same way.
enum class CopyResult { Written, Aborted, Failed, SourceLost, FolderLost };

struct Source {
    UniqueHmmio file;
    WaveFormat format;
    MMCKINFO data;
    uint32_t dataSize = 0;
    int64_t available = 0;  // the data bytes the file holds in whole frames, at most dataSize
};

// A recording cut short holds less than its data chunk declares; the tracks
// were found in what it holds, in whole frames.
void MeasureAvailable(Source& source) {
    const int64_t end = mmioSeek(source.file.get(), 0, SEEK_END);
    const int64_t bytes = std::clamp<int64_t>(end - source.data.dwDataOffset, 0, source.dataSize);
    source.available = bytes - bytes % source.format.nBlockAlign;
}

struct TrackBytes {
    int64_t offset = 0;
    int64_t length = 0;
};

// The track's place in the data chunk: times to frames as the track times
// convert them, frames to bytes, kept inside the data chunk.
TrackBytes TrackPlace(const TRACK_INFO_STRUCT& track, const Source& source) {
    const auto frame = [&source](const std::string& time) {
        return int64_t(ConvertPosition(uint32_t(TimeTextToMs(time)), UnitMilliseconds, UnitFrames, source.format));
    };
    const int64_t align = source.format.nBlockAlign;
    const int64_t startFrame = frame(track.Start);
    const int64_t offset = std::min<int64_t>(startFrame * align, source.available);
    const int64_t length = std::max<int64_t>(0, (frame(track.Stop) - startFrame) * align);
    return {offset, std::min<int64_t>(length, source.available - offset)};
}

class TrackWriter {
public:
    // outputFolder: the job's folder; only its loss ends the job.
    TrackWriter(SaveJob& job, Source& source, std::vector<uint8_t> (&buffers)[2], std::string outputFolder,
                WindowSeam& seam, const SaveHooks& hooks)
        : job_(job),
          source_(source),
          buffers_(buffers),
          outputFolder_(std::move(outputFolder)),
          seam_(seam),
          hooks_(hooks) {}

    // Writes the track's bytes to a temporary file beside finalPath and puts it
    // in place when complete; on abort or failure nothing is left behind.
    CopyResult Write(const TrackBytes& place, const std::string& finalPath, const std::string& trackName) {
        errno = 0;
        const std::string temp = CreateUniqueFile(ExtractFileDir(finalPath));
        MMCKINFO riff{}, data{};
        HMMIO out = temp.empty() ? nullptr : CreateWaveOutput(temp, source_.format, riff, data);
        if (out == nullptr) return Fail(nullptr, temp, finalPath);
        PrefetchReader reader(source_.file.get(), place.length, buffers_[0], buffers_[1]);
        int64_t done = 0;
        while (done < place.length) {
            if (job_.AbortRequested.load()) {
                mmioClose(out);
                RemoveFile(temp);
                return CopyResult::Aborted;
            }
            const PrefetchReader::Block block = reader.Next();
            if (block.size == 0) return LoseSource(out, temp, trackName);
            if (mmioWrite(out, block.data, block.size) != block.size) return Fail(out, temp, finalPath);
            done += block.size;
            const auto percent = int32_t(done * 100 / place.length);
            job_.Progress.store(percent);
            if (hooks_.Progress) hooks_.Progress(percent);
        }
        if (!CloseWaveOutput(out, data, riff)) return Fail(nullptr, temp, finalPath);
        if (!ReplaceFile(temp, finalPath)) return Fail(nullptr, temp, finalPath);
        return CopyResult::Written;
    }

private:
    CopyResult Fail(HMMIO out, const std::string& temp, const std::string& finalPath) {
        const int error = errno != 0 ? errno : EIO;
        if (out != nullptr) mmioClose(out);
        if (!temp.empty()) RemoveFile(temp);
        // A file named into another folder fails alone; a lost output folder
        // would fail every track after it.
        if (!DirectoryExists(outputFolder_)) {
            ShowErrorMessage(seam_, MsgOutputFolderMissing);
            return CopyResult::FolderLost;
        }
        seam_.ShowErrorBox(FormatText(text::kCannotWriteFile, {finalPath, std::strerror(error)}));
        return CopyResult::Failed;
    }

    // The source was cut short or became unreadable after the tracks were found.
    CopyResult LoseSource(HMMIO out, const std::string& temp, const std::string& trackName) {
        mmioClose(out);
        RemoveFile(temp);
        seam_.ShowErrorBox(FormatText(text::kSourceLost, {job_.SourcePath, trackName}));
        return CopyResult::SourceLost;
    }

    SaveJob& job_;
    Source& source_;
    std::vector<uint8_t> (&buffers_)[2];
    std::string outputFolder_;
    WindowSeam& seam_;
    const SaveHooks& hooks_;
};

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

// The MP3 phase of one written track. The MP3 file is written under a
// temporary name and put in place when complete. The wave file goes once the
// MP3 file is there; when the conversion fails, the wave file is the track's
// only output and stays, with a message (406 has its own).
void ConvertTrack(SaveJob& job, std::size_t index, const std::string& waveName, WindowSeam& seam,
                  const SaveHooks& hooks) {
    job.InMp3Phase.store(true);
    const std::string mp3Name = ConfirmOutputName(job.Mp3OutputPath(), "*.mp3", "MP3 File|*.mp3", job.SourcePath, seam,
                                                  waveName);
    job.SetMp3OutputPath(mp3Name);
    if (mp3Name.empty()) {
        job.InMp3Phase.store(false);
        return;
    }
    const std::string temp = CreateUniqueFile(ExtractFileDir(mp3Name));
    const uint16_t result = temp.empty() ? uint16_t(NoConversion)
                                         : hooks.ConvertToMp3(job, index, waveName, temp, seam);
    const bool converted = result == ConversionDone || result == ConversionDoneDropWave;
    if (converted && ReplaceFile(temp, mp3Name)) {
        RemoveFile(waveName);
        job.Tracks[index].WaveSaved = 0;
        if (hooks.Mp3Written) hooks.Mp3Written(index, mp3Name);
    } else {
        if (!temp.empty()) RemoveFile(temp);
        if (job.AbortRequested.load()) {
            RemoveFile(waveName);  // the job ends on abort with the next track
            job.Tracks[index].WaveSaved = 0;
        } else if (result != ConversionRateRefused) {  // that one has its own message
            seam.ShowErrorBox(FormatText(text::kMp3ConversionFailed, {job.Tracks[index].Name, waveName}));
        }
    }
    job.InMp3Phase.store(false);
}

}  // namespace

SaveEnd RunSaveJob(SaveJob& job, WindowSeam& seam, const SaveHooks& hooks) {
    Source source;
    if (!OpenWaveFile(job.SourcePath, source.file, source.format, source.data, source.dataSize, seam)) {
        return FinishWithoutWork(job, hooks, seam);
    }
    MeasureAvailable(source);
    uint32_t total = job.CheckedDurationMs;
    if (job.SaveAsMp3) total += total / 2;
    if (!HasFreeSpace(job.OutputFolder, total, source.format)) {
        seam.ShowMessageBox(MessageText(MsgNotEnoughSpace));
        source.file.reset();
        return FinishWithoutWork(job, hooks, seam);
    }
    std::vector<uint8_t> buffers[2];
    try {
        for (auto& buffer : buffers) buffer.resize(std::size_t(kSaveBlockBytes));
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

    TrackWriter writer(job, source, buffers, folder, seam, hooks);
    for (std::size_t i = 0; i < job.Tracks.size(); ++i) {
        job.Progress.store(0);
        TRACK_INFO_STRUCT& track = job.Tracks[i];
        if (!track.Checked) continue;
        const TrackBytes place = TrackPlace(track, source);
        std::string waveName = folder + track.Name + ".wav";
        mmioSeek(source.file.get(), source.data.dwDataOffset + place.offset, SEEK_SET);
        job.SetWaveOutputPath(waveName);
        job.SetMp3OutputPath(folder + track.Name + ".MP3");
        if (job.AbortRequested.load()) return EndOnAbort(job, hooks, seam);
        if (!IsUsableTrackName(track.Name)) {
            seam.ShowErrorBox(FormatText(text::kBadTrackName, {track.Name}));
            continue;
        }
        waveName = ConfirmOutputName(waveName, "*.wav", "Wave File|*.wav", job.SourcePath, seam);
        job.SetWaveOutputPath(waveName);
        if (waveName.empty()) continue;
        job.SetMp3OutputPath(waveName.substr(0, waveName.size() >= 4 ? waveName.size() - 4 : 0) + ".MP3");
        const CopyResult result = writer.Write(place, waveName, track.Name);
        if (result == CopyResult::Aborted) return EndOnAbort(job, hooks, seam);
        if (result == CopyResult::Failed) continue;
        if (result != CopyResult::Written) break;
        track.WaveSaved = 1;
        if (hooks.FileWritten) hooks.FileWritten(i, waveName);
        job.Progress.store(100);
        Pause(hooks, 150);
        job.Progress.store(0);
        Pause(hooks, 150);
        if (job.SaveAsMp3 && hooks.ConvertToMp3) ConvertTrack(job, i, waveName, seam, hooks);
    }
    source.file.reset();
    EndOfJob(job, hooks, seam);
    job.State.store(JobFinished);
    return SaveEnd::Finished;
}

}  // namespace quillon::engine
