#include <gtest/gtest.h>

#include <random>

#include "analysis/AnalysisJob.h"
#include "analysis/FrameScan.h"
#include "analysis/SilenceDetect.h"
#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "support/RecordingSeam.h"
#include "support/TestScan.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace engine;

Format Mono16At(uint32_t rate) {
    Format f;
    f.channels = 1;
    f.rate = rate;
    return f;
}

Format StereoAt1000() {
    Format f;
    f.rate = 1000;
    return f;
}

WaveFormat Wf(int bits, int channels, int align = 0) {
    WaveFormat f;
    f.wFormatTag = 1;
    f.wBitsPerSample = uint16_t(bits);
    f.nChannels = uint16_t(channels);
    f.nBlockAlign = uint16_t(align ? align : channels * bits / 8);
    f.nSamplesPerSec = 1000;
    return f;
}

TEST(IsSilentFrame, JudgesEachFrameAgainstFullScale) {
    const struct {
        int bits, channels, percent;
        Bytes frame;
        bool silent;
    } cases[] = {
        {8, 1, 10, {128}, true},                 // amplitude 0
        {8, 1, 10, {140}, true},                 // 12 < 12.8
        {8, 1, 10, {141}, false},                // 13
        {8, 1, 10, {116}, true},                 // |116 - 128| = 12
        {8, 1, 100, {255}, true},                // 127 < 128
        {8, 1, 100, {0}, false},                 // 128 is never below 128
        {16, 1, 10, {0xCC, 0x0C}, true},         // 3276 < 3276.7
        {16, 1, 10, {0xCD, 0x0C}, false},        // 3277
        {16, 1, 10, {0x34, 0xF3}, true},         // -3276
        {16, 1, 100, {0xFE, 0x7F}, true},        // 32766
        {16, 1, 100, {0xFF, 0x7F}, false},       // 32767
        {16, 1, 100, {0x00, 0x80}, false},       // -32768
        {16, 2, 10, {0, 0, 0xFF, 0x7F}, false},  // right channel loud
        {16, 2, 10, {0xFF, 0x7F, 0, 0}, false},  // left channel loud
        {16, 2, 10, {0, 0, 0, 0}, true},
        {8, 2, 10, {128, 250}, false},
        {16, 1, 0, {0, 0}, false},  // nothing is below 0 %
        {16, 1, -5, {0, 0}, false},
        {16, 1, 500, {0x00, 0x80}, true},  // everything is below 500 %
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << "-bit " << c.channels << "ch " << c.percent
                                        << "% byte0=" << int(c.frame[0]));
        EXPECT_EQ(IsSilentFrame(c.frame.data(), Wf(c.bits, c.channels), c.percent), c.silent);
    }
}

// The block-wise test must give IsSilentFrame's answer for every sample value,
// layout and threshold, including the odd ones a hand-edited file can give,
// with and without vector instructions (AVX2 is tested where the processor has it).
TEST(FrameClassifier, AgreesWithIsSilentFrameEverywhere) {
    std::mt19937 rng(7);
    for (int bits : {8, 16}) {
        for (int channels : {1, 2}) {
            const int natural = channels * bits / 8;
            for (int align : {natural, natural + 2}) {
                const WaveFormat f = Wf(bits, channels, align);
                const std::size_t n = bits == 8 ? 256 * 4 + 33 : 70000;
                Bytes frames(n * std::size_t(align));
                for (std::size_t i = 0; i < n; ++i) {
                    uint8_t* p = &frames[i * std::size_t(align)];
                    if (bits == 8) {
                        p[0] = uint8_t(i);
                        if (channels == 2) p[1] = uint8_t(i % 3 ? 128 : rng());
                    } else {
                        const uint16_t v = uint16_t(i < 65536 ? i : rng());
                        p[0] = uint8_t(v);
                        p[1] = uint8_t(v >> 8);
                        if (channels == 2) p[2] = uint8_t(rng() % 16), p[3] = uint8_t(i % 5 ? 0 : rng());
                    }
                }
                for (int percent : {-3, 0, 1, 9, 10, 37, 99, 100, 101, 500})
                    for (VectorLevel level : {VectorLevel::Portable, VectorLevel::Sse2, VectorLevel::Avx2}) {
                        SCOPED_TRACE(testing::Message() << bits << "-bit " << channels << "ch align " << align << " "
                                                        << percent << "% level " << int(level));
                        std::vector<uint64_t> mask((n + 63) / 64, ~uint64_t(0));
                        FrameClassifier(f, percent, level).Classify(frames.data(), n, mask.data());
                        int mismatches = 0;
                        for (std::size_t i = 0; i < n; ++i) {
                            const bool bit = (mask[i / 64] >> (i % 64)) & 1;
                            mismatches += bit != IsSilentFrame(&frames[i * std::size_t(align)], f, percent);
                        }
                        EXPECT_EQ(mismatches, 0);
                        if (n % 64) {
                            EXPECT_EQ(mask.back() >> (n % 64), 0u) << "bits past the last frame stay clear";
                        }
                    }
            }
        }
    }
}

TEST(FindBit, FindsTheNextBitOfEitherValueWithinTheCount) {
    const uint64_t mask[3] = {0x0000'0000'0000'0100ull, 0, 0x8000'0000'0000'0001ull};
    const struct {
        std::size_t count, from;
        bool value;
        std::size_t expected;
    } cases[] = {
        {192, 0, true, 8},     {192, 9, true, 128}, {192, 129, true, 191},  {191, 129, true, 191},
        {192, 0, false, 0},    {192, 8, false, 9},  {192, 128, false, 129}, {130, 128, false, 129},
        {192, 192, true, 192}, {129, 9, true, 128}, {128, 9, true, 128},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindBit(mask, c.count, c.from, c.value), c.expected) << c.count << " " << c.from << " " << c.value;
}

TEST(AnalyzeWaveFile, NoQualifyingSilenceGivesOneTrack) {
    TempDir dir;
    const auto path = dir.Write("Side A.wav", PcmWave({}, Pcm(16, 2).Loud(44100).Silent(44100).Loud(22050).bytes()));
    const Scan s = Analyze(path);
    EXPECT_EQ(s.outcome, ScanOutcome::Completed);
    EXPECT_EQ(Rows(s.tracks), (std::vector<Row>{{"Side A.0001", "00:00:000", "00:02:500", "00:02:500"}}));
    EXPECT_EQ(s.job->Progress, 100);
    EXPECT_TRUE(s.seam->boxes.empty());
    ASSERT_EQ(s.seam->waveInfo.size(), 1u);
    EXPECT_EQ(s.seam->waveInfo[0].durationMs, 2500u);
    EXPECT_EQ(s.seam->waveInfo[0].samplesPerSec, 44100u);
    EXPECT_EQ(s.seam->waveInfo[0].channels, 2u);
}

TEST(AnalyzeWaveFile, ASilenceMustBeLongerThanTheMinimum) {
    TempDir dir;
    // 44100 Hz, 3 s: m = 132300 frames.
    const uint32_t m = 132300;
    for (uint32_t length : {m, m + 1}) {
        const auto path = dir.Write("t.wav",
                                    PcmWave(Mono16At(44100), Pcm(16, 1).Loud(4410).Silent(length).Loud(4410).bytes()));
        EXPECT_EQ(Analyze(path).tracks.size(), length > m ? 2u : 1u) << length;
    }
    EXPECT_EQ(MinimumSilenceFrames(44100, 3000), m);
    EXPECT_EQ(MinimumSilenceFrames(44100, 100000), 4410000u) << "no 32-bit overflow of rate x ms";
}

TEST(AnalyzeWaveFile, CutsInTheMiddleOfEachSilence) {
    TempDir dir;
    // At 1000 Hz a frame is a millisecond. The silence runs from frame 1000 to
    // 4001 (3001 frames, odd): the first track keeps 1500 of them, the second
    // starts one frame later than the first track ends.
    const auto path = dir.Write(
        "rec.wav",
        PcmWave(Mono16At(1000), Pcm(16, 1).Loud(1000).Silent(3001).Loud(2000).Silent(3500).Loud(500).bytes()));
    const Scan s = Analyze(path);
    EXPECT_EQ(Rows(s.tracks), (std::vector<Row>{
                                  {"rec.0001", "00:00:000", "00:02:500", "00:02:500"},
                                  {"rec.0002", "00:02:501", "00:07:751", "00:05:250"},
                                  {"rec.0003", "00:07:751", "00:10:001", "00:02:250"},
                              }));
}

TEST(AnalyzeWaveFile, LeadingSilenceCountsAndTrailingSilenceStays) {
    TempDir dir;
    const auto path = dir.Write("x", PcmWave(Mono16At(1000), Pcm(16, 1).Silent(3001).Loud(1000).Silent(9000).bytes()));
    const Scan s = Analyze(path);
    EXPECT_EQ(Rows(s.tracks), (std::vector<Row>{
                                  {"x.0001", "00:00:000", "00:01:500", "00:01:500"},
                                  {"x.0002", "00:01:501", "00:13:001", "00:11:500"},
                              }));
}

TEST(AnalyzeWaveFile, StereoNeedsBothChannelsQuietAndEightBitIsCentred) {
    TempDir dir;
    Pcm oneSideLoud(16, 2);
    oneSideLoud.Loud(100);
    for (int i = 0; i < 4000; ++i) oneSideLoud.Frame({0, 20000});
    oneSideLoud.Loud(100);
    Format stereo = Mono16At(1000);
    stereo.channels = 2;
    EXPECT_EQ(Analyze(dir.Write("a.wav", PcmWave(stereo, oneSideLoud.bytes()))).tracks.size(), 1u);

    Format eight = Mono16At(1000);
    eight.bits = 8;
    const auto path = dir.Write("b.wav", PcmWave(eight, Pcm(8, 1).Loud(100).Level(4000, 12).Loud(100).bytes()));
    EXPECT_EQ(Analyze(path).tracks.size(), 2u) << "amplitude 12 is below 12.8";
    const auto louder = dir.Write("c.wav", PcmWave(eight, Pcm(8, 1).Loud(100).Level(4000, 13).Loud(100).bytes()));
    EXPECT_EQ(Analyze(louder).tracks.size(), 1u);
}

TEST(AnalyzeWaveFile, UncheckedThresholdsFromAHandEditedFile) {
    TempDir dir;
    const auto path = dir.Write(
        "t.wav", PcmWave(Mono16At(1000), Pcm(16, 1).Loud(50).Silent(5000).Loud(50).Silent(1).Loud(50).bytes()));
    EXPECT_EQ(Analyze(path, 0).tracks.size(), 1u) << "0 %: every frame is loud";
    EXPECT_EQ(Analyze(path, 500).tracks.size(), 1u) << "500 %: one silence to the end, never closed";
    EXPECT_EQ(Analyze(path, 10, 0).tracks.size(), 3u) << "0 ms: every silent run is a boundary";
    EXPECT_EQ(Analyze(path, 10, -3000).tracks.size(), 1u) << "a negative minimum wraps to a huge one";
}

TEST(AnalyzeWaveFile, APartialTrailingFrameIsNotScanned) {
    TempDir dir;
    Bytes data = Pcm(16, 2).Loud(1000).bytes();
    data.push_back(1);
    data.push_back(2);
    const Scan s = Analyze(dir.Write("p.wav", PcmWave(StereoAt1000(), data)));
    ASSERT_EQ(s.tracks.size(), 1u);
    EXPECT_EQ(s.tracks[0].Stop, "00:01:000");
    EXPECT_EQ(s.job->Progress, 99) << "4000 of 4002 bytes";
}

TEST(AnalyzeWaveFile, ASilenceAcrossABlockBoundaryIsOneSilence) {
    TempDir dir;
    // 4 MiB blocks of 4-byte frames hold 1048576 frames; the silence straddles the first boundary.
    const auto path = dir.Write("b.wav",
                                PcmWave(StereoAt1000(), Pcm(16, 2).Loud(1047576).Silent(2001).Loud(1000000).bytes()));
    const Scan s = Analyze(path, 10, 1000);
    ASSERT_EQ(s.tracks.size(), 2u);
    EXPECT_EQ(s.tracks[0].Stop, FormatTime(1047576 + 1000));
    EXPECT_EQ(s.tracks[1].Start, FormatTime(1047576 + 2001 - 1000));
    EXPECT_EQ(s.job->Progress, 100);
}

// A recording whose data chunk claims more than the file holds: the frames that
// arrived are scanned, the partial last frame is not, and no message is shown.
TEST(AnalyzeWaveFile, ATruncatedRecordingKeepsEveryWholeFrameThatArrived) {
    TempDir dir;
    Bytes data = Pcm(16, 2).Loud(1000).Silent(3000).Loud(1500).bytes();
    data.push_back(7);  // half a sample of a frame that never arrived
    const Bytes file = Riff({Chunk("fmt ", FmtBody(StereoAt1000())), Chunk("data", data, 40000000)});
    const Scan s = Analyze(dir.Write("cut.wav", Bytes(file.begin(), file.end() - (data.size() % 2))), 10, 2000);
    EXPECT_EQ(s.outcome, ScanOutcome::ShortRead);
    EXPECT_TRUE(s.seam->boxes.empty());
    EXPECT_EQ(Rows(s.tracks), (std::vector<Row>{
                                  {"cut.0001", "00:00:000", "00:02:500", "00:02:500"},
                                  {"cut.0002", "00:02:500", "00:05:500", "00:03:000"},
                              }));
    EXPECT_LT(s.job->Progress, 100);
    EXPECT_EQ(s.seam->waveInfo.at(0).durationMs, 10000000u) << "the status bar shows the declared length";
}

TEST(AnalyzeWaveFile, EmptyDataIsRefusedAfterTheFactsAreShown) {
    TempDir dir;
    const Scan s = Analyze(dir.Write("e.wav", PcmWave({}, {})));
    EXPECT_EQ(s.outcome, ScanOutcome::Failed);
    EXPECT_EQ(s.seam->boxes, std::vector<std::string>{"error: " + MessageText(MsgNoDataToAnalyze)});
    EXPECT_EQ(s.seam->stopAnalysisCalls, 1);
    EXPECT_EQ(s.seam->statusTexts, std::vector<std::string>{""});
    EXPECT_EQ(s.job->State, JobAborted);
    EXPECT_TRUE(s.job->AbortRequested);
    EXPECT_TRUE(s.tracks.empty());
}

TEST(AnalyzeWaveFile, ARefusedFileResetsTheWindowOnce) {
    TempDir dir;
    const Scan s = Analyze(dir.Write("n.wav", Bytes(100, 'n')));
    EXPECT_EQ(s.outcome, ScanOutcome::Failed);
    EXPECT_EQ(s.seam->boxes, std::vector<std::string>{"error: " + MessageText(MsgNotValidWave)});
    EXPECT_EQ(s.seam->stopAnalysisCalls, 1);
    EXPECT_TRUE(s.seam->waveInfo.empty());
    EXPECT_EQ(s.job->State, JobAborted);
}

TEST(RunAnalysis, AbortLeavesNoTracks) {
    TempDir dir;
    const auto path = dir.Write("a.wav", PcmWave({}, Pcm(16, 2).Loud(100).Silent(200000).Loud(100).bytes()));
    AnalysisJob job;
    job.FileName = path;
    job.SilenceAmplitude = 10;
    job.SilenceDurationMs = 3000;
    job.State = JobRunning;
    job.MarkAborted();
    TrackList tracks(3);
    RecordingSeam seam;
    RunAnalysis(job, tracks, seam);
    EXPECT_TRUE(tracks.empty());
    EXPECT_EQ(job.State, JobAborted);
    EXPECT_TRUE(seam.boxes.empty());

    AnalysisJob fresh;
    fresh.FileName = path;
    fresh.SilenceAmplitude = 10;
    fresh.SilenceDurationMs = SilenceDurationToMs(3);
    fresh.State = JobRunning;
    RunAnalysis(fresh, tracks, seam);
    EXPECT_EQ(fresh.State, JobFinished);
    EXPECT_EQ(tracks.size(), 2u);
}

TEST(SilenceDurationToMs, AStoredDurationSaturatesInsteadOfWrapping) {
    const struct {
        int32_t seconds;
        int32_t ms;
    } cases[] = {
        {3, 3000},
        {0, 0},
        {-2, -2000},
        {2147483, 2147483000},
        {4294968, INT32_MAX},  // wrapped to 704 ms in 32 bits
        {INT32_MAX, INT32_MAX},
        {INT32_MIN, INT32_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(SilenceDurationToMs(c.seconds), c.ms) << c.seconds;
}

TEST(BuildTracks, TheTenThousandthTrackHasFiveDigits) {
    std::vector<SilenceSpan> spans;
    for (uint32_t i = 0; i < 10000; ++i) spans.push_back({i * 10 + 2, i * 10 + 8, 6});
    TrackList tracks;
    BuildTracks(spans, 100005, "/music/tape", Wf(16, 1), tracks);
    ASSERT_EQ(tracks.size(), 10001u);
    EXPECT_EQ(tracks[8].Name, "tape.0009");
    EXPECT_EQ(tracks[9998].Name, "tape.9999");
    EXPECT_EQ(tracks[9999].Name, "tape.10000");
    EXPECT_EQ(tracks[10000].Name, "tape.10001");
    EXPECT_EQ(tracks[10000].Stop, "01:40:005");
}

// Past 2^32 frames (a 64-bit form's recording of 12.4 hours at 96 kHz) a
// silence keeps its place, and so does the end.
TEST(BuildTracks, FramesPast32BitsKeepTheirTimes) {
    WaveFormat f = Wf(24, 2);
    f.nSamplesPerSec = 96000;
    const uint64_t at = (uint64_t(1) << 32) + 96000;
    TrackList tracks;
    BuildTracks({{at, at + 192000, 192000}}, at + 960000, "/music/night", f, tracks);
    EXPECT_EQ(Rows(tracks), (std::vector<Row>{{"night.0001", "00:00:000", "745:41:243", "745:41:243"},
                                              {"night.0002", "745:41:243", "745:50:243", "00:09:000"}}));
}

// The scan against a plain per-frame reading of the rules, on noisy material
// with runs of every length around the minimum.
TEST(AnalyzeWaveFile, MatchesAFrameByFrameReferenceOnRandomMaterial) {
    TempDir dir;
    std::mt19937 rng(2024);
    for (int round = 0; round < 6; ++round) {
        const int channels = 1 + round % 2;
        const int bits = round < 4 ? 16 : 8;
        Pcm pcm(bits, channels);
        while (pcm.frames() < 300000) {
            const uint32_t len = 1 + rng() % (round % 3 ? 1200 : 150);
            switch (rng() % 3) {
            case 0: pcm.Loud(len); break;
            case 1: pcm.Silent(len); break;
            default: pcm.Level(len, bits == 8 ? int(rng() % 20) : int(rng() % 6000)); break;
            }
        }
        Format f = Mono16At(8000);
        f.channels = uint16_t(channels);
        f.bits = uint16_t(bits);
        const auto path = dir.Write("r.wav", PcmWave(f, pcm.bytes()));
        const int32_t minMs = 10 + int32_t(rng() % 60);

        const WaveFormat wf = Wf(bits, channels);
        WaveFormat rated = wf;
        rated.nSamplesPerSec = 8000;
        const uint32_t m = MinimumSilenceFrames(8000, minMs);
        std::vector<SilenceSpan> spans;
        bool in = false;
        uint32_t start = 0;
        const uint32_t frames = pcm.frames();
        for (uint32_t i = 0; i < frames; ++i) {
            const bool silent = IsSilentFrame(&pcm.bytes()[i * uint32_t(wf.nBlockAlign)], wf, 10);
            if (silent && !in) in = true, start = i;
            if (!silent && in) {
                in = false;
                if (i - start > m) spans.push_back({start, i, i - start});
            }
        }
        TrackList expected;
        BuildTracks(spans, frames, path, rated, expected);
        EXPECT_EQ(Rows(Analyze(path, 10, minMs).tracks), Rows(expected)) << "round " << round;
    }
}

}  // namespace
}  // namespace quillon::test
