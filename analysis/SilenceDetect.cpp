#include "analysis/SilenceDetect.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <new>
#include <optional>

#include "analysis/BlockScan.h"
#include "analysis/FrameScan.h"
#include "analysis/LevelOverview.h"
#include "analysis/SampleAmplitude.h"
#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"

namespace quillon::engine {

using namespace platform;

namespace {

// |v| of the sample at s, integers after their valid-bit shift (exact in a double).
double SampleAmplitude(const uint8_t* s, const WaveFormat& format) {
    const int shift = ValidShift(format);
    switch (KindOf(format)) {
    case SampleKind::Unsigned8:
    case SampleKind::Signed16:
    case SampleKind::Signed24:
    case SampleKind::Signed32: return std::abs(double(IntegerSample(s, KindOf(format)) >> shift));
    case SampleKind::Float32: return std::abs(double(std::bit_cast<float>(LoadLe32(s))));
    case SampleKind::Float64: return std::abs(std::bit_cast<double>(LoadLe64(s)));
    }
    return 0;
}

// The rule as it reads, in floating point: below percent of full scale, and a
// float sample above 1.0 is never silent (nor is NaN, which no comparison passes).
bool IsSilentSample(const uint8_t* s, const WaveFormat& format, int32_t percent) {
    const double a = SampleAmplitude(s, format);
    return a < double(percent) * FullScale(format) / 100 && (!IsFloatKind(KindOf(format)) || a <= 1.0);
}

std::string TimeOfFrame(uint64_t frame, const WaveFormat& format) {
    return FormatTime(uint32_t(FramesToMs(frame, format)));
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
    uint64_t dataSize = 0;
};

}  // namespace

bool IsSilentFrame(const uint8_t* frame, const WaveFormat& format, int32_t percent) {
    if (!IsSilentSample(frame, format, percent)) return false;
    return format.nChannels == 1 || IsSilentSample(frame + SampleBytes(format), format, percent);
}

uint32_t MinimumSilenceFrames(uint32_t samplesPerSec, int32_t minSilenceMs) {
    return RoundToLow32(double(samplesPerSec) * double(minSilenceMs) * 1 / 1000);
}

namespace {

NothingFound ReportNothingFound(const ScanResult& scan, const LevelOverview& overview, const StretchEdges& edges,
                                int32_t amplitudePercent, int32_t minSilenceMs) {
    NothingFound report;
    report.AmplitudePercent = amplitudePercent;
    report.MinSilenceMs = minSilenceMs;
    const auto ms = [&overview](uint64_t frames) {
        return overview.SamplesPerSec == 0 ? 0 : uint32_t(frames * 1000 / overview.SamplesPerSec);
    };
    report.LongestMs = ms(scan.LongestFrames);
    report.LongestStartMs = ms(scan.LongestStart);
    FindAmplitudeWithSilence(overview, edges, report);
    return report;
}

}  // namespace

ScanOutcome AnalyzeWaveFile(const std::string& path, int32_t amplitudePercent, int32_t minSilenceMs, AnalysisJob& job,
                            TrackList& tracks, WindowSeam& seam, AnalysisReport* report) {
    return AnalyzeWaveFile(path, amplitudePercent, minSilenceMs, job, tracks, seam, report, ScanSettings{});
}

ScanOutcome AnalyzeWaveFile(const std::string& path, int32_t amplitudePercent, int32_t minSilenceMs, AnalysisJob& job,
                            TrackList& tracks, WindowSeam& seam, AnalysisReport* report, const ScanSettings& settings) {
    OpenWave wave;
    if (!OpenWaveFile(path, wave.file, wave.format, wave.dataChunk, wave.dataSize, seam)) return Fail(job, seam);

    const uint64_t totalFrames = wave.dataSize / wave.format.nBlockAlign;
    seam.ShowWaveInfo(ConvertPosition(uint32_t(totalFrames), UnitFrames, UnitMilliseconds, wave.format),
                      wave.format.nSamplesPerSec, wave.format.wBitsPerSample, wave.format.nChannels,
                      KindOf(wave.format), false);
    if (wave.dataSize == 0) {
        wave.file.reset();
        const ScanOutcome failed = Fail(job, seam);
        ShowErrorMessage(seam, MsgNoDataToAnalyze);
        return failed;
    }

    try {
        std::optional<OverviewBuilder> overview;
        if (report != nullptr) overview.emplace(wave.format, totalFrames, settings.Vectors);
        const ScanResult scan = ScanDataChunk(mmioDescriptor(wave.file.get()), wave.dataChunk.dwDataOffset,
                                              wave.dataSize, wave.format, amplitudePercent,
                                              MinimumSilenceFrames(wave.format.nSamplesPerSec, minSilenceMs), job,
                                              overview ? &*overview : nullptr, settings);
        if (scan.Outcome == ScanOutcome::Aborted || job.AbortRequested.load()) return ScanOutcome::Aborted;
        const std::size_t before = tracks.size();
        BuildTracks(scan.Spans, scan.FramesScanned, path, wave.format, tracks);
        if (report != nullptr) {
            report->Source = IdentifySource(wave.file.get(), wave.dataChunk);
            report->Overview = overview->Finish(scan.FramesScanned);
            report->Silences = scan.Spans;
            report->Nothing.reset();
            if (tracks.size() - before == 1) {
                const StretchEdges edges(mmioDescriptor(wave.file.get()), wave.dataChunk.dwDataOffset, wave.format,
                                         report->Overview);
                report->Nothing = ReportNothingFound(scan, report->Overview, edges, amplitudePercent, minSilenceMs);
            }
        }
        return scan.Outcome;
    } catch (const std::bad_alloc&) {
        wave.file.reset();
        const ScanOutcome failed = Fail(job, seam);
        ShowErrorMessage(seam, MsgCouldNotAllocate);
        return failed;
    }
}

void BuildTracks(const std::vector<SilenceSpan>& spans, uint64_t totalFrames, const std::string& path,
                 const WaveFormat& format, TrackList& tracks) {
    const std::string base = RemoveExtension(ExtractFileName(path));
    uint64_t prevEnd = 0;
    uint64_t prevLength = 0;
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
