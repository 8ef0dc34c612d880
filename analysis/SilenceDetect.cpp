#include "analysis/SilenceDetect.h"

#include <new>

#include "analysis/FrameScan.h"
#include "analysis/LevelOverview.h"
#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"

namespace quillon::engine {

using namespace platform;

namespace {

constexpr uint32_t kReadBufferBytes = 4194304;

// Turns the silence mask of consecutive frames into the qualifying
// silences: runs of silent frames longer than the minimum. A run still open
// when the data ends never counts.
class SpanCollector {
public:
    explicit SpanCollector(uint32_t minFrames) : minFrames_(minFrames) {}

    // The silence mask of the frames first .. first + n - 1.
    void Feed(const uint64_t* mask, std::size_t n, uint64_t first) {
        for (std::size_t i = 0; (i = FindBit(mask, n, i, !inSilence_)) < n;) {
            if (inSilence_) Close(first + i);
            else Open(first + i);
        }
    }

    std::vector<SilenceSpan> spans;
    // The longest run of silent frames that ended before the data did, of any length.
    uint64_t longestStart = 0, longestFrames = 0;

private:
    void Open(uint64_t frame) {
        inSilence_ = true;
        start_ = frame;
    }
    void Close(uint64_t frame) {
        inSilence_ = false;
        const uint64_t length = frame - start_;
        if (length > longestFrames) {
            longestStart = start_;
            longestFrames = length;
        }
        if (length > minFrames_) spans.push_back({uint32_t(start_), uint32_t(frame), uint32_t(length)});
    }

    uint32_t minFrames_;
    bool inSilence_ = false;
    uint64_t start_ = 0;
};

double Threshold(const WaveFormat& format, int32_t percent) {
    return format.wBitsPerSample == 8 ? double(percent) * 128 / 100 : double(percent) * 32767 / 100;
}

int SampleAmplitude(const uint8_t* s, const WaveFormat& format) {
    const int v = format.wBitsPerSample == 8 ? int(s[0]) - 128 : int(int16_t(uint16_t(s[0] | s[1] << 8)));
    return v < 0 ? -v : v;
}

std::string TimeOfFrame(uint32_t frame, const WaveFormat& format) {
    return FormatTime(ConvertPosition(frame, UnitFrames, UnitMilliseconds, format));
}

void AppendTrack(TrackList& tracks, const std::string& base, int number, std::string start, std::string stop) {
    TRACK_INFO_STRUCT t;
    t.Name = base + "." + IntToPadded(number, 4);
    t.Duration = FormatTime(uint32_t(TimeTextToMs(stop)) - uint32_t(TimeTextToMs(start)));
    t.Start = std::move(start);
    t.Stop = std::move(stop);
    tracks.push_back(std::move(t));
}

ScanOutcome Fail(AnalysisJob& job, WindowSeam& seam) {
    job.MarkAborted();
    seam.StopAnalysis();
    seam.SetStatusText("");
    return ScanOutcome::Failed;
}

struct OpenWave {
    UniqueHmmio file;
    WaveFormat format;
    MMCKINFO dataChunk;
    uint32_t dataSize = 0;
};

// The scan proper, from an open file: blocks of whole frames, the silence mask of each
// block, the spans they make. Progress is written once a block.
ScanOutcome ScanBlocks(OpenWave& wave, const FrameClassifier& classifier, SpanCollector& spans,
                       OverviewBuilder& overview, AnalysisJob& job, uint64_t& framesScanned) {
    const uint32_t align = wave.format.nBlockAlign;
    std::vector<uint8_t> buffer(kReadBufferBytes);
    std::vector<uint64_t> mask((kReadBufferBytes / align + 63) / 64);
    uint64_t bytesRead = 0;
    while (bytesRead < wave.dataSize) {
        if (job.AbortRequested.load()) return ScanOutcome::Aborted;
        const uint64_t blockFrames = std::min<uint64_t>(wave.dataSize - bytesRead, kReadBufferBytes) / align;
        if (blockFrames == 0) break;
        const int64_t want = int64_t(blockFrames * align);
        const int64_t got = mmioRead(wave.file.get(), buffer.data(), want);
        const uint64_t gotFrames = got > 0 ? uint64_t(got) / align : 0;
        classifier.Classify(buffer.data(), gotFrames, mask.data());
        spans.Feed(mask.data(), gotFrames, framesScanned);
        overview.Feed(framesScanned, buffer.data(), gotFrames);
        framesScanned += gotFrames;
        job.Progress.store(int32_t(framesScanned * align * 100 / wave.dataSize));
        if (got != want) return ScanOutcome::ShortRead;
        bytesRead += uint64_t(want);
    }
    return ScanOutcome::Completed;
}

}  // namespace

bool IsSilentFrame(const uint8_t* frame, const WaveFormat& format, int32_t percent) {
    const double threshold = Threshold(format, percent);
    if (!(SampleAmplitude(frame, format) < threshold)) return false;
    if (format.nChannels == 1) return true;
    return SampleAmplitude(frame + SampleBytes(format), format) < threshold;
}

uint32_t MinimumSilenceFrames(uint32_t samplesPerSec, int32_t minSilenceMs) {
    return RoundToLow32(double(samplesPerSec) * double(minSilenceMs) * 1 / 1000);
}

namespace {

NothingFound ReportNothingFound(const SpanCollector& spans, const LevelOverview& overview, int32_t amplitudePercent,
                                int32_t minSilenceMs) {
    NothingFound report;
    report.AmplitudePercent = amplitudePercent;
    report.MinSilenceMs = minSilenceMs;
    const auto ms = [&overview](uint64_t frames) {
        return overview.SamplesPerSec == 0 ? 0 : uint32_t(frames * 1000 / overview.SamplesPerSec);
    };
    report.LongestMs = ms(spans.longestFrames);
    report.LongestStartMs = ms(spans.longestStart);
    FindAmplitudeWithSilence(overview, report);
    return report;
}

}  // namespace

ScanOutcome AnalyzeWaveFile(const std::string& path, int32_t amplitudePercent, int32_t minSilenceMs, AnalysisJob& job,
                            TrackList& tracks, WindowSeam& seam, AnalysisReport* report) {
    OpenWave wave;
    if (!OpenWaveFile(path, wave.file, wave.format, wave.dataChunk, wave.dataSize, seam)) return Fail(job, seam);

    const uint32_t totalFrames = wave.dataSize / wave.format.nBlockAlign;
    seam.ShowWaveInfo(ConvertPosition(totalFrames, UnitFrames, UnitMilliseconds, wave.format),
                      wave.format.nSamplesPerSec, wave.format.wBitsPerSample, wave.format.nChannels, false);
    if (wave.dataSize == 0) {
        wave.file.reset();
        const ScanOutcome failed = Fail(job, seam);
        ShowErrorMessage(seam, MsgNoDataToAnalyze);
        return failed;
    }

    try {
        const FrameClassifier classifier(wave.format, amplitudePercent);
        SpanCollector spans(MinimumSilenceFrames(wave.format.nSamplesPerSec, minSilenceMs));
        OverviewBuilder overview(wave.format, totalFrames);
        uint64_t framesScanned = 0;
        const ScanOutcome outcome = ScanBlocks(wave, classifier, spans, overview, job, framesScanned);
        wave.file.reset();
        if (outcome == ScanOutcome::Aborted || job.AbortRequested.load()) return ScanOutcome::Aborted;
        const std::size_t before = tracks.size();
        BuildTracks(spans.spans, uint32_t(framesScanned), path, wave.format, tracks);
        if (report != nullptr) {
            report->Overview = overview.Finish(framesScanned);
            report->Silences = spans.spans;
            report->Nothing.reset();
            if (tracks.size() - before == 1) {
                report->Nothing = ReportNothingFound(spans, report->Overview, amplitudePercent, minSilenceMs);
            }
        }
        return outcome;
    } catch (const std::bad_alloc&) {
        wave.file.reset();
        const ScanOutcome failed = Fail(job, seam);
        ShowErrorMessage(seam, MsgCouldNotAllocate);
        return failed;
    }
}

void BuildTracks(const std::vector<SilenceSpan>& spans, uint32_t totalFrames, const std::string& path,
                 const WaveFormat& format, TrackList& tracks) {
    const std::string base = RemoveExtension(ExtractFileName(path));
    uint32_t prevEnd = 0;
    uint32_t prevLength = 0;
    int number = 0;
    for (const SilenceSpan& s : spans) {
        AppendTrack(tracks, base, ++number, TimeOfFrame(prevEnd - prevLength / 2, format),
                    TimeOfFrame(s.StartFrame + s.LengthFrames / 2, format));
        prevEnd = s.EndFrame;
        prevLength = s.LengthFrames;
    }
    AppendTrack(tracks, base, number + 1, TimeOfFrame(prevEnd - prevLength / 2, format),
                TimeOfFrame(totalFrames, format));
}

}  // namespace quillon::engine
