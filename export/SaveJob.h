#pragma once
// The save job: cuts the checked tracks out of the source wave file, each into
// a wave file of its own in the output folder, as raw bytes in 4 MiB blocks
// with one seek per track. Its record (SaveRecord.h) is shared by the worker
// and the window (or the command line); each worker holds its own.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/WaveFormat.h"
#include "app/TrackList.h"
#include "app/WindowSeam.h"
#include "export/SaveRecord.h"
#include "export/TrackNameRule.h"

namespace quillon::engine {

// The "Save as" choices; the settings keep them by these numbers.
enum class SaveType { Wave = 0, Mp3 = 1, Flac = 2 };

inline constexpr int64_t kSaveBlockBytes = 4 * 1024 * 1024;

// What the job leaves to its caller.
struct SaveHooks {
    // The folder read again when the work starts (the output-folder rule).
    std::function<std::string()> OutputFolder;
    // Converts conversion.WaveName into conversion.TempName (a temporary name
    // the job puts in place) and returns the conversion's result; null when MP3
    // output is not available. Runs on the encoder threads, several at once;
    // conversion.Control carries the stop and takes the progress. What it
    // shows through its seam reaches the user from the job's own thread,
    // between the job's questions; it asks nothing (No, "").
    std::function<uint16_t(SaveJob&, Mp3Conversion& conversion, WindowSeam& seam)> ConvertToMp3;
    // Encodes the FLAC conversion's track (SourceOffset, SourceLength) of the
    // recording open at fd, whose data has format, into conversion.TempName;
    // ConversionDone, or another result with conversion.FailureReason set.
    // Runs as ConvertToMp3 does; null when FLAC output is not available.
    std::function<uint16_t(SaveJob&, Mp3Conversion& conversion, int fd, const WaveFormat& format)> EncodeFlac;
    // With job.TagMp3 on: writes the tags of conversion.Track into the
    // finished conversion.TempName before it is put in place; false when they
    // could not be written (the file is put in place all the same, and the
    // user told). Runs on the encoder threads as ConvertToMp3 does; null
    // counts as a failure.
    std::function<bool(SaveJob&, const Mp3Conversion& conversion)> TagMp3;
    // Called at every end of a hand-off's job: finished, aborted, failed.
    std::function<void(SaveJob&, WindowSeam&)> LaunchCompanion;
    // After each block copied, with the percent of the current file.
    std::function<void(int percent)> Progress;
    // Each file completed, with its track's index: the wave file, and for MP3
    // output then the MP3 file (Mp3Written also takes FLAC files), as soon as it is in place (from the encoder
    // thread that made it, so several at once).
    std::function<void(std::size_t track, const std::string& path)> FileWritten;
    std::function<void(std::size_t track, const std::string& path)> Mp3Written;
    // The pauses that let a progress bar show a finished file; none when null.
    std::function<void(std::chrono::milliseconds)> Sleep;
};

enum class SaveEnd { Finished, Aborted };

// The worker's work. Finished also covers the ends without work (the source
// cannot be read, too little space, no output folder); State is then
// JobFinished. On Aborted the partial file is gone and State is left as the
// Abort button set it. An MP3 save returns only once every conversion has
// ended; an abort stops them all, and each then leaves neither its MP3 file
// nor its wave file.
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

}  // namespace quillon::engine
