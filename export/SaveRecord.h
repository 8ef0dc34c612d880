#pragma once
// The save job's record, shared by the worker and the window (or the command
// line); each worker holds its own. The conversions of the MP3 phase are kept
// in it, where the window and the command line show and stop them.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AnalysisRecord.h"
#include "analysis/SourceIdentity.h"
#include "app/TrackList.h"
#include "export/ConversionControl.h"
#include "export/RecordingDetails.h"

namespace quillon::engine {

// Conversion results the save gives a meaning to; any other is a failure.
// NoConversion: the MP3 file could not even be begun.
enum ConversionResult : uint16_t {
    ConversionDone = 0,
    ConversionRateRefused = 406,
    ConversionDoneDropWave = 431,
    NoConversion = 0xFFFF,
};

// One track's conversion to MP3, or its encoding to FLAC, handed by the job
// to its encoder threads.
struct Mp3Conversion {
    uint64_t Number = 0;  // 1, 2, ... in the order the job hands them over
    std::size_t Track = 0;
    std::string WaveName;  // the track's wave file: removed once the MP3 file is in place; "" for FLAC
    std::string Mp3Name;   // where the MP3 (or FLAC) file goes once complete
    std::string TempName;  // what the conversion writes, beside Mp3Name; "" when none could be made
    // A file of the wave's name was there before the job wrote it: the user
    // agreed to its overwriting, not to its removal, so it stays.
    bool KeepWave = false;
    // FLAC: the track's bytes in the recording's data chunk, encoded straight from there.
    bool Flac = false;
    int64_t SourceOffset = 0, SourceLength = 0;
    std::string FailureReason;         // FLAC: why its encoding failed, for the message
    std::atomic<bool> Started{false};  // an encoder thread has begun it
    ConversionControl Control;
};

// The conversions of a job that have not ended, in the order they were handed
// over (which is the order they begin in). Any thread may look and stop.
class ConversionList {
public:
    // The conversion that began first among those still running; null when none runs.
    [[nodiscard]] std::shared_ptr<Mp3Conversion> FirstRunning() const;
    // Its Number; 0 when none runs.
    [[nodiscard]] uint64_t FirstRunningNumber() const;
    // How many run: begun and not ended.
    [[nodiscard]] std::size_t Running() const;
    // Stops every conversion that has not ended, begun or not.
    void StopAll();
    // The job's side: handed over, begun (see Started), ended.
    void Add(std::shared_ptr<Mp3Conversion> conversion);
    void Remove(const Mp3Conversion& conversion);
    [[nodiscard]] bool Empty() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Mp3Conversion>> list_;
};

struct SaveJob {
    std::atomic<int32_t> Progress{0};     // percent of the file being written
    std::atomic<int32_t> State{JobNone};  // a JobState
    // Checked tracks whose file asked for (the wave, or for MP3 output the
    // MP3 file) is in place.
    std::atomic<uint32_t> TracksSaved{0};
    std::atomic<bool> AbortRequested{false};  // checked before each track and each block
    // The MP3 phase: a track's MP3 name is being asked, or a conversion has not ended.
    std::atomic<bool> InMp3Phase{false};
    ConversionList Conversions;  // of the MP3 phase, shown and stopped by the window and the command line
    // Set before the worker starts:
    std::string SourcePath;
    // The file the tracks were found in; when kept, a source that is no
    // longer that file is refused before anything is written.
    std::optional<SourceIdentity> Analysed;
    TrackList Tracks;                // the job's copy of the list, Checked marked; the worker sets WaveSaved
    uint32_t CheckedDurationMs = 0;  // all checked rows, also those left out as saved
    bool SaveAsMp3 = false;
    // FLAC output (not with SaveAsMp3): each track encoded straight from the
    // recording on the encoder threads, at FlacLevel (0-8); no wave is written.
    bool SaveAsFlac = false;
    unsigned FlacLevel = 5;
    std::string CodecName;     // MP3 only: "LAME Encoder" or "Windows ACM Default"
    uint32_t BitRate = 0;      // MP3 only: kbit/s
    std::string OutputFolder;  // as found at the start, for the free-space check
    bool HandOff = false;
    // MP3 and FLAC: the encoder threads, which convert while the job goes on
    // with the next track; 0 for one per core. Never more than the tracks.
    unsigned EncoderThreads = 0;
    // Wave output: the tracks copied at once (each put in place in order
    // all the same); 0 for two where the process has two cores or more.
    unsigned WaveCopies = 1;
    // The tags: FLAC files always carry them; MP3 files only with TagMp3
    // (through SaveHooks::TagMp3), else they stay as the encoder wrote them.
    RecordingDetails Details;
    bool TagMp3 = false;

    void SetWaveOutputPath(const std::string& path);
    void SetMp3OutputPath(const std::string& path);
    [[nodiscard]] std::string WaveOutputPath() const;
    [[nodiscard]] std::string Mp3OutputPath() const;
    // What the Abort button does to the record.
    void MarkAborted() {
        AbortRequested.store(true);
        State.store(JobAborted);
    }
    // What the Abort button and Ctrl+C do to the conversions: every one that
    // has not ended stops, and its files go.
    void StopConversions() { Conversions.StopAll(); }

private:
    mutable std::mutex pathMutex_;
    std::string waveOutputPath_, mp3OutputPath_;
};

// The save's last word once it finished: "Process has completed
// successfully." when every checked track was saved, else how many were and
// were not ("Saved 2 of 3 tracks; 1 was not saved.").
[[nodiscard]] std::string SaveEndText(const SaveJob& job);
[[nodiscard]] bool SavedEveryTrack(const SaveJob& job);

}  // namespace quillon::engine
