#pragma once
// The save job: cuts the checked tracks out of the source wave file, each into
// a wave file of its own in the output folder, as raw bytes in 4 MiB blocks
// with one seek per track. The record is shared by the worker and the window
// (or the command line); each worker holds its own.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/AnalysisJob.h"
#include "analysis/WaveFormat.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"

namespace quillon::engine {

enum class SaveType { Wave, Mp3 };

// Conversion results the save gives a meaning to; any other is a failure.
// NoConversion: the MP3 file could not even be begun.
enum ConversionResult : uint16_t {
    ConversionDone = 0,
    ConversionRateRefused = 406,
    ConversionDoneDropWave = 431,
    NoConversion = 0xFFFF,
};

inline constexpr int64_t kSaveBlockBytes = 4 * 1024 * 1024;

struct SaveJob {
    std::atomic<int32_t> Progress{0};         // percent of the file being written
    std::atomic<int32_t> State{JobNone};      // a JobState
    std::atomic<bool> AbortRequested{false};  // checked before each track and each block
    std::atomic<bool> InMp3Phase{false};      // the current track is being converted
    // Set before the worker starts:
    std::string SourcePath;
    TrackList Tracks;                // the job's copy of the list, Checked marked; the worker sets WaveSaved
    uint32_t CheckedDurationMs = 0;  // all checked rows, also those left out as saved
    bool SaveAsMp3 = false;
    std::string CodecName;     // MP3 only: "LAME Encoder" or "Windows ACM Default"
    uint32_t BitRate = 0;      // MP3 only: kbit/s
    std::string OutputFolder;  // as found at the start, for the free-space check
    bool HandOff = false;

    void SetWaveOutputPath(const std::string& path);
    void SetMp3OutputPath(const std::string& path);
    [[nodiscard]] std::string WaveOutputPath() const;
    [[nodiscard]] std::string Mp3OutputPath() const;
    // What the Abort button does to the record.
    void MarkAborted() {
        AbortRequested.store(true);
        State.store(JobAborted);
    }

private:
    mutable std::mutex pathMutex_;
    std::string waveOutputPath_, mp3OutputPath_;
};

// What the job leaves to its caller.
struct SaveHooks {
    // The folder read again when the work starts (the output-folder rule).
    std::function<std::string()> OutputFolder;
    // Converts a written wave file into mp3Name (a temporary name the job puts
    // in place) and returns the conversion's result; null when MP3 output is
    // not available.
    std::function<uint16_t(SaveJob&, std::size_t track, const std::string& waveName, const std::string& mp3Name,
                           WindowSeam& seam)>
        ConvertToMp3;
    // Called at every end of a hand-off's job: finished, aborted, failed.
    std::function<void(SaveJob&, WindowSeam&)> LaunchCompanion;
    // After each block copied, with the percent of the current file.
    std::function<void(int percent)> Progress;
    // Each file completed, with its track's index: the wave file, and for MP3
    // output then the MP3 file.
    std::function<void(std::size_t track, const std::string& path)> FileWritten;
    std::function<void(std::size_t track, const std::string& path)> Mp3Written;
    // The pauses that let a progress bar show a finished file; none when null.
    std::function<void(std::chrono::milliseconds)> Sleep;
};

enum class SaveEnd { Finished, Aborted };

// The worker's work. Finished also covers the ends without work (the source
// cannot be read, too little space, no output folder); State is then
// JobFinished. On Aborted the partial file is gone and State is left as the
// Abort button set it.
SaveEnd RunSaveJob(SaveJob& job, WindowSeam& seam, const SaveHooks& hooks);

// Copies each row's check box into Checked; with skipSavedWaves a checked row
// whose folder + Name + ".wav" exists is left unchecked.
void MarkTracksToSave(TrackList& tracks, const std::vector<bool>& rowChecked, bool skipSavedWaves,
                      const std::string& outputFolder);

// The sum of the Duration of every checked row, in milliseconds.
[[nodiscard]] uint32_t CheckedTracksDuration(const TrackList& tracks, const std::vector<bool>& rowChecked);

// Whether folder's file system has room for totalMs of the format, counted in
// whole seconds and KiB (64-bit; a folder that cannot be queried has none).
[[nodiscard]] bool HasFreeSpace(const std::string& folder, uint32_t totalMs, const WaveFormat& format);

// The name to write to: path when nothing is there; when a file is there, the
// overwrite question (Yes keeps path, replaced once the new file is complete)
// or else the save dialog; "" to skip. The source file itself is never offered
// for overwriting: the dialog is shown instead, and choosing it there skips.
// The same holds for trackWave, the track's own wave file when its MP3 file
// is named (empty for the wave file itself): the MP3 file put in its place
// would be removed as the wave, leaving nothing.
[[nodiscard]] std::string ConfirmOutputName(const std::string& path, const std::string& defaultExt,
                                            const std::string& filter, const std::string& sourcePath, WindowSeam& seam,
                                            const std::string& trackWave = {});

// A track name that can be a file name in the output folder: not empty, not
// "." or "..", no "/", and no double quote (the companion program's command
// line would split the name there).
[[nodiscard]] bool IsUsableTrackName(const std::string& name);

}  // namespace quillon::engine
