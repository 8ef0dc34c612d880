#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <random>

#include "analysis/AnalysisJob.h"
#include "analysis/FrameScan.h"
#include "analysis/SilenceDetect.h"
#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "support/RecordingSeam.h"
#include "support/TestScan.h"
#include "support/TestWave.h"
#include "support/WideFormatsOn.h"

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

// Frames of an 8- or 16-bit layout: every sample value in the first sample,
// the second mostly quiet.
Bytes ClassicFrames(const WaveFormat& f, std::size_t n, std::mt19937& rng) {
    Bytes frames(n * f.nBlockAlign);
    for (std::size_t i = 0; i < n; ++i) {
        uint8_t* p = &frames[i * f.nBlockAlign];
        if (f.wBitsPerSample == 8) {
            p[0] = uint8_t(i);
            if (f.nChannels == 2) p[1] = uint8_t(i % 3 ? 128 : rng());
        } else {
            const uint16_t v = uint16_t(i < 65536 ? i : rng());
            p[0] = uint8_t(v);
            p[1] = uint8_t(v >> 8);
            if (f.nChannels == 2) p[2] = uint8_t(rng() % 16), p[3] = uint8_t(i % 5 ? 0 : rng());
        }
    }
    return frames;
}

constexpr int32_t kPercents[] = {-3, 0, 1, 9, 10, 37, 99, 100, 101, 500};

// A wide layout's samples worth testing, as the container's bits: integers at
// and beside each percentage's limit, both signs, with junk in the bits below
// the valid ones, and full scale both ways (-2^23, -2^31); floats on both
// sides of each percentage, 1.0 and above, infinities, NaN both signs, -0 and
// the smallest denormal.
std::vector<uint64_t> WideSamples(const WaveFormat& f, std::mt19937& rng) {
    const int shift = ValidShift(f), bits = SampleBytes(f) * 8;
    const uint64_t container = bits == 64 ? ~uint64_t(0) : (uint64_t(1) << bits) - 1;
    std::vector<uint64_t> out;
    if (!IsFloatKind(KindOf(f))) {
        const int64_t full = int64_t(FullScale(f));
        const auto put = [&](int64_t v) {
            if (v >= -full - 1 && v <= full)
                out.push_back((uint64_t(v << shift) | (rng() & ((1u << shift) - 1))) & container);
        };
        for (const int32_t p : kPercents) {
            const int64_t limit = int64_t(std::min<uint64_t>(AmplitudeLimit(f, p), uint64_t(full) + 1));
            for (const int64_t a : {limit - 1, limit, limit + 1}) put(a), put(-a);
        }
        for (const int64_t v : {int64_t(0), full, -full, -full - 1}) put(v);
        return out;
    }
    const bool single = KindOf(f) == SampleKind::Float32;
    const auto put = [&](double v) {
        out.push_back(single ? std::bit_cast<uint32_t>(float(v)) : std::bit_cast<uint64_t>(v));
        out.push_back(single ? std::bit_cast<uint32_t>(-float(v)) : std::bit_cast<uint64_t>(-v));
    };
    for (const int32_t p : kPercents) {
        const double t = p / 100.0;
        if (single) put(std::nextafter(float(t), 0.0f)), put(float(t)), put(std::nextafter(float(t), 2.0f));
        else put(std::nextafter(t, 0.0)), put(t), put(std::nextafter(t, 2.0));
    }
    for (const double v : {0.0, 1.0, std::nextafter(1.0, 2.0), 1.5, 1e30, HUGE_VAL, std::nan(""), 5e-324, 1e-45})
        put(v);
    return out;
}

Bytes WideFrames(const WaveFormat& f, std::size_t n, std::mt19937& rng) {
    const std::vector<uint64_t> samples = WideSamples(f, rng);
    const int bytes = SampleBytes(f);
    Bytes frames(n * f.nBlockAlign);
    for (uint8_t& b : frames) b = uint8_t(rng());  // padding, and the samples past the tested ones
    for (std::size_t i = 0; i < n; ++i) {
        for (int s = 0; s < (f.nChannels == 1 ? 1 : 2); ++s) {
            const uint64_t v = samples[rng() % samples.size()];
            for (int b = 0; b < bytes; ++b)
                frames[i * f.nBlockAlign + std::size_t(s * bytes + b)] = uint8_t(v >> (8 * b));
        }
    }
    return frames;
}

// A wide layout from its fmt chunk, with the block align given.
WaveFormat WideWf(const Bytes& fmtBody, int align) {
    WaveFormat f;
    EXPECT_EQ(ParseFormatChunk(fmtBody.data(), fmtBody.size(), f), FormatVerdict::Wide);
    f.nBlockAlign = uint16_t(align);
    return f;
}

// The block-wise test must give IsSilentFrame's answer for every sample value,
// layout and threshold, including the odd ones a hand-edited file can give,
// with and without vector instructions (AVX2 is tested where the processor
// has it), over whole 64-frame words and the frames after them.
TEST(FrameClassifier, AgreesWithIsSilentFrameEverywhere) {
    std::mt19937 rng(7);
    std::vector<std::pair<WaveFormat, std::size_t>> layouts;  // and the frames to judge
    for (const int channels : {1, 2}) {
        for (const int padding : {0, 2}) {
            for (const int bits : {8, 16}) {
                layouts.push_back(
                    {Wf(bits, channels, channels * bits / 8 + padding), bits == 8 ? 256 * 4 + 33 : 70000});
            }
            const auto wide = [&](const Bytes& body) {
                const WaveFormat f = WideWf(body, TestedFrameBytes(WideWf(body, 0)) + padding);
                for (const std::size_t n : {2560, 2561, 2597}) layouts.push_back({f, n});
            };
            const uint16_t ch = uint16_t(channels);
            wide(FmtBody(Format{1, ch, 1000, 24}));
            wide(ExtensibleFmtBody(ch, 1000, 24, 20, 1));
            wide(FmtBody(Format{1, ch, 1000, 32}));
            wide(ExtensibleFmtBody(ch, 1000, 32, 24, 1));
            wide(FmtBody(Format{3, ch, 1000, 32}));
            wide(FmtBody(Format{3, ch, 1000, 64}));
        }
    }
    for (const auto& [f, n] : layouts) {
        const Bytes frames = KindOf(f) <= SampleKind::Signed16 ? ClassicFrames(f, n, rng) : WideFrames(f, n, rng);
        for (const int32_t percent : kPercents) {
            for (const VectorLevel level : {VectorLevel::Portable, VectorLevel::Sse2, VectorLevel::Avx2}) {
                SCOPED_TRACE(testing::Message() << "kind " << int(KindOf(f)) << ", " << f.ValidBits << " valid bits, "
                                                << f.nChannels << "ch, align " << f.nBlockAlign << ", " << n
                                                << " frames, " << percent << "%, level " << int(level));
                std::vector<uint64_t> mask((n + 63) / 64, ~uint64_t(0));
                FrameClassifier(f, percent, level).Classify(frames.data(), n, mask.data());
                int mismatches = 0;
                for (std::size_t i = 0; i < n; ++i) {
                    const bool bit = (mask[i / 64] >> (i % 64)) & 1;
                    mismatches += bit != IsSilentFrame(&frames[i * f.nBlockAlign], f, percent);
                }
                EXPECT_EQ(mismatches, 0);
                if (n % 64) {
                    EXPECT_EQ(mask.back() >> (n % 64), 0u) << "bits past the last frame stay clear";
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

// The tested samples of each frame, as numbers: the wide tests' signal.
using Tested = std::vector<std::array<double, 2>>;

// The rule as the test reads it: |v| below percent of full scale, and a float
// never above 1.0 (NaN fails every comparison).
bool SilentValue(double v, double fullScale, bool isFloat, int32_t percent) {
    const double a = std::fabs(v);
    return a < double(percent) * fullScale / 100 && (!isFloat || a <= 1.0);
}

// The runs of frames silent at percent by that rule that are longer than
// minFrames and end before the data does.
std::vector<SilenceSpan> DirectSpans(const Tested& tested, const WaveFormat& f, double fullScale, int32_t percent,
                                     uint64_t minFrames) {
    const bool isFloat = fullScale == 1.0;
    std::vector<SilenceSpan> spans;
    uint64_t start = 0;
    bool in = false;
    for (uint64_t i = 0; i < tested.size(); ++i) {
        bool silent = SilentValue(tested[i][0], fullScale, isFloat, percent);
        if (f.nChannels > 1) silent = silent && SilentValue(tested[i][1], fullScale, isFloat, percent);
        if (silent && !in) in = true, start = i;
        if (!silent && in) {
            in = false;
            if (i - start > minFrames) spans.push_back({start, i, i - start});
        }
    }
    return spans;
}

// The tracks of tested, frame by frame, with that rule.
std::vector<Row> DirectTracks(const Tested& tested, const WaveFormat& f, double fullScale, int32_t percent,
                              int32_t minMs, const std::string& path) {
    TrackList tracks;
    BuildTracks(DirectSpans(tested, f, fullScale, percent, MinimumSilenceFrames(f.nSamplesPerSec, minMs)),
                tested.size(), path, f, tracks);
    return Rows(tracks);
}

// With a minimum just above the longest silence at 60 %, the report of the
// single track at 10 % names the longest silence there and the first
// amplitude with one longer than the minimum, exact to the frame (the
// overview's quiet columns, then the frames at their edges), as the rule
// gives them.
void ExpectNothingFoundAsTheRule(const std::string& path, const Tested& tested, const WaveFormat& f, double fullScale) {
    const auto longest = [&](int32_t percent) {
        uint64_t frames = 0;
        for (const SilenceSpan& s : DirectSpans(tested, f, fullScale, percent, 0))
            frames = std::max(frames, s.LengthFrames);
        return frames;
    };
    const auto ms = [&f](uint64_t frames) { return uint32_t(frames * 1000 / f.nSamplesPerSec); };
    const uint64_t atTen = longest(10);
    const int32_t minMs = int32_t(ms(longest(60))) + 1;
    const uint64_t m = MinimumSilenceFrames(f.nSamplesPerSec, minMs);
    int32_t found = 11;
    while (found <= 100 && longest(found) <= m) ++found;
    ASSERT_LE(found, 100);
    const Scan scan = Analyze(path, minMs, ScanSettings{});
    ASSERT_TRUE(scan.report.Nothing);
    EXPECT_EQ(scan.report.Nothing->LongestMs, ms(atTen));
    EXPECT_EQ(scan.report.Nothing->FoundAtPercent, found);
    EXPECT_EQ(scan.report.Nothing->FoundLongestMs, ms(longest(found)));
}

// Silence, quiet material below and on both sides of the 10 % limit, loud
// material up to full scale, and now and then a value that breaks a silence
// even at 100 %: -2^23 or -2^31 and full scale, or for floats 1.0, 1.5,
// infinity and NaN. Values as the kind stores them.
Tested WideMaterial(SampleKind kind, double fullScale, std::mt19937& rng) {
    const bool isFloat = fullScale == 1.0;
    const auto stored = [&](double v) {
        if (kind == SampleKind::Float32) return double(float(v));
        return isFloat ? v : std::clamp(std::round(v), -fullScale - 1, fullScale);
    };
    const double breakers[] = {-fullScale - 1, fullScale, 1.0, -1.5, HUGE_VAL, std::nan("")};
    const auto uniform = [&rng](double limit) { return (double(rng()) / 4294967296.0 * 2 - 1) * limit; };
    Tested tested;
    while (tested.size() < 60000) {
        const uint32_t length = 1 + rng() % 1200;
        const double level = std::array{0.0, 0.05, 0.11, 1.0}[rng() % 4] * fullScale;
        for (uint32_t i = 0; i < length; ++i) {
            std::array<double, 2> frame{stored(uniform(level)), stored(uniform(level))};
            if (rng() % 700 == 0) frame[rng() % 2] = breakers[rng() % (isFloat ? 6 : 2)];
            tested.push_back(frame);
        }
    }
    return tested;
}

// Integers shifted up to the top of a container wider than their valid bits,
// with junk below them.
Bytes Encode(const Tested& tested, const WaveFormat& f) {
    Bytes data;
    const auto put = [&data](uint64_t bits, int bytes) {
        for (int b = 0; b < bytes; ++b) data.push_back(uint8_t(bits >> (8 * b)));
    };
    const int shift = ValidShift(f);
    for (std::size_t i = 0; i < tested.size(); ++i) {
        for (std::size_t c = 0; c < f.nChannels; ++c) {
            const double v = tested[i][c];
            const uint64_t junk = (i * 37 + c) & ((1u << shift) - 1);
            if (KindOf(f) == SampleKind::Float32) put(std::bit_cast<uint32_t>(float(v)), 4);
            else if (KindOf(f) == SampleKind::Float64) put(std::bit_cast<uint64_t>(v), 8);
            else put(uint64_t(int64_t(v) << shift) | junk, SampleBytes(f));
        }
    }
    return data;
}

// Each wide kind analysed at 10 % and at 100 %, against the rule applied frame
// by frame in the test; at 10 % the level overview's columns are quiet exactly
// where every frame is silent, and the report of a single track is exact.
TEST(AnalyzeWaveFile, WideLayoutsMatchTheRuleFrameByFrame) {
    const WideFormatsOn wide;
    TempDir dir;
    std::mt19937 rng(96);
    const struct {
        const char* name;
        Bytes fmt;
        SampleKind kind;
        double fullScale;
    } cases[] = {
        {"24-bit stereo", FmtBody(Format{1, 2, 8000, 24}), SampleKind::Signed24, 8388607},
        {"32-bit mono", FmtBody(Format{1, 1, 8000, 32}), SampleKind::Signed32, 2147483647},
        {"24 of 32 bits, stereo", ExtensibleFmtBody(2, 8000, 32, 24, 1), SampleKind::Signed32, 8388607},
        {"float stereo, extensible", ExtensibleFmtBody(2, 8000, 32, 32, 3), SampleKind::Float32, 1},
        {"double mono", FmtBody(Format{3, 1, 8000, 64}), SampleKind::Float64, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WaveFormat f;
        ASSERT_EQ(ParseFormatChunk(c.fmt.data(), c.fmt.size(), f), FormatVerdict::Wide);
        const Tested tested = WideMaterial(c.kind, c.fullScale, rng);
        const std::string path = dir.Write("Wide.wav", Riff({Chunk("fmt ", c.fmt), Chunk("data", Encode(tested, f))}));
        for (const int32_t percent : {10, 100}) {
            const std::vector<Row> expected = DirectTracks(tested, f, c.fullScale, percent, 20, path);
            EXPECT_GT(expected.size(), 5u) << percent << " %";
            EXPECT_EQ(Rows(Analyze(path, percent, 20).tracks), expected) << percent << " %";
        }
        const Scan scan = Analyze(path, 20, ScanSettings{});
        const LevelOverview& o = scan.report.Overview;
        ASSERT_EQ(o.Peaks.size(), (tested.size() + o.ColumnFrames - 1) / o.ColumnFrames);
        for (std::size_t col = 0; col < o.Peaks.size(); ++col) {
            bool silent = true;
            for (std::size_t i = col * o.ColumnFrames; i < std::min(tested.size(), (col + 1) * o.ColumnFrames); ++i) {
                for (int ch = 0; ch < f.nChannels; ++ch)
                    silent = silent && SilentValue(tested[i][std::size_t(ch)], c.fullScale, c.fullScale == 1.0, 10);
            }
            ASSERT_EQ(o.Peaks[col] < AmplitudeLimit(false, 10), silent) << "column " << col;
        }
        ExpectNothingFoundAsTheRule(path, tested, f, c.fullScale);
    }
}

// The offset and size of the first chunk named id in a RIFF file.
std::pair<std::size_t, std::size_t> FindChunk(const Bytes& file, const char* id) {
    for (std::size_t at = 12; at + 8 <= file.size(); at += 8 + Le32(file, at + 4) + Le32(file, at + 4) % 2) {
        if (std::equal(id, id + 4, file.begin() + std::ptrdiff_t(at))) return {at + 8, Le32(file, at + 4)};
    }
    return {file.size(), 0};
}

TEST(AnalyzeWaveFile, CutsA24BitRecordingThatSoxMade) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    const WideFormatsOn wide;
    TempDir dir;
    const std::string path = dir.path() + "/Tones.wav";
    // 1 s of 440 Hz and 4 s of silence, twice: one gap to cut at, the last silence runs to the end.
    const std::string sox = "sox -D -n -b 24 -r 96000 -c 2 '" + path + "' synth 1 sine 440 pad 0 4 repeat 1";
    ASSERT_EQ(std::system(sox.c_str()), 0);
    const Bytes file = ReadFile(path);
    const auto [fmtAt, fmtSize] = FindChunk(file, "fmt ");
    const auto [dataAt, dataSize] = FindChunk(file, "data");
    WaveFormat f;
    ASSERT_EQ(ParseFormatChunk(&file[fmtAt], fmtSize, f), FormatVerdict::Wide);
    ASSERT_EQ(KindOf(f), SampleKind::Signed24);
    Tested tested(dataSize / f.nBlockAlign);
    for (std::size_t i = 0; i < tested.size(); ++i) {
        for (std::size_t ch = 0; ch < 2; ++ch) {
            const uint8_t* s = &file[dataAt + i * f.nBlockAlign + ch * 3];
            tested[i][ch] = double(int32_t(uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24) >> 8);
        }
    }
    const Scan s = Analyze(path);
    EXPECT_EQ(s.outcome, ScanOutcome::Completed);
    EXPECT_EQ(s.seam->waveInfo.at(0).bitsPerSample, 24u);
    const std::vector<Row> expected = DirectTracks(tested, f, 8388607, 10, 3000, path);
    EXPECT_EQ(expected.size(), 2u);
    EXPECT_EQ(Rows(s.tracks), expected);
}

}  // namespace
}  // namespace quillon::test
