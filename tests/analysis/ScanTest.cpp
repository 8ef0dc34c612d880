// The scan's machinery (analysis/BlockScan.h) against the plain scan: blocks
// spread over threads, read or mapped, judged with vector instructions, must
// give what one thread gives frame by frame; an abort, a file cut short while
// it is scanned and a mapping that fails must end as they do there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "analysis/BlockScan.h"
#include "analysis/PeakMap.h"
#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "platform/UniqueFd.h"
#include "support/RecordingSeam.h"
#include "support/TestScan.h"
#include "support/TestWave.h"
#include "support/WideFormatsOn.h"

namespace quillon::test {
namespace {

using namespace engine;

constexpr uint32_t kRate = 8000;

// ThreadSanitizer takes a SIGBUS raised under its instrumentation for a crash
// of its own in about half the runs, whatever handler the program installed:
// the cut-file cases run in the plain and the AddressSanitizer builds.
#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderThreadSanitizer = true;
#else
constexpr bool kUnderThreadSanitizer = false;
#endif
constexpr int64_t kDataOffset = 44;  // PcmWave's header

struct Layout {
    uint16_t bits, channels, align;
};

// Frames of random material: silent[i] says which frames are silent at 10 %
// (every tested sample's amplitude below 3277, 13 at 8 bits, 838861 at 24),
// with values up to the limit on both sides, -32768 (-2^23; 0 at 8 bits)
// among the loud ones, and random bytes in the padding.
Bytes Material(const Layout& l, const std::vector<bool>& silent, uint32_t seed) {
    std::mt19937 rng(seed);
    const int limit = l.bits == 8 ? 13 : l.bits == 16 ? 3277 : 838861;
    const int full = l.bits == 8 ? 128 : 1 << (l.bits - 1);
    const auto quiet = [&] { return int(rng() % uint32_t(2 * limit - 1)) - (limit - 1); };
    const auto loud = [&] {
        const int a = limit + int(rng() % uint32_t(full - limit + 1));  // up to full scale: -32768, or 0 at 8 bits
        return rng() % 2 ? -a : std::min(a, full - 1);
    };
    const int bytes = l.bits / 8;
    const int tested = l.channels == 1 ? 1 : 2;
    Bytes data(silent.size() * l.align);
    for (std::size_t i = 0; i < silent.size(); ++i) {
        uint8_t* f = &data[i * l.align];
        for (int j = 0; j < l.align; ++j) f[j] = uint8_t(rng());  // padding, and channels past the tested ones
        const int loudOne = silent[i] ? -1 : int(rng() % uint32_t(tested));
        for (int s = 0; s < tested; ++s) {
            const int v = s == loudOne || (!silent[i] && rng() % 3 == 0) ? loud() : quiet();
            const uint32_t stored = bytes == 1 ? uint32_t(v + 128) : uint32_t(v);
            for (int b = 0; b < bytes; ++b) f[bytes * s + b] = uint8_t(stored >> (8 * b));
        }
    }
    return data;
}

// Which frames are silent: runs of random length, and silences laid across
// the edges of blocks of blockFrames (some longer than a block, some ending
// or starting right at an edge), with two equally long ones for the report's
// "first longest".
std::vector<bool> Pattern(uint32_t frames, uint32_t blockFrames, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<bool> silent(frames);
    for (uint32_t i = 0; i < frames;) {
        const uint32_t length = 1 + rng() % (rng() % 4 == 0 ? 400 : 60);
        const bool value = rng() % 2;
        for (uint32_t j = i; j < std::min(frames, i + length); ++j) silent[j] = value;
        i += length;
    }
    const auto lay = [&](uint32_t from, uint32_t to, bool value) {
        for (uint32_t j = from; j < std::min(frames, to); ++j) silent[j] = value;
    };
    for (uint32_t edge = blockFrames, k = 0; edge + 3 * blockFrames < frames; edge += blockFrames, ++k) {
        switch (k % 5) {
        case 0: lay(edge - 40, edge + 70, true); break;                                       // across one edge
        case 1: lay(edge - 1, edge + 2 * blockFrames + 1, true); break;                       // over whole blocks
        case 2: lay(edge - 90, edge, true), lay(edge, edge + 1, false); break;                // ends at an edge
        case 3: lay(edge - 1, edge, false), lay(edge, edge + 100, true); break;               // starts at one
        default: lay(edge - blockFrames / 2, edge + blockFrames / 2 + 64, rng() % 2); break;  // either way
        }
    }
    // Two equally long silences, the first across an edge: the report names the first.
    const uint32_t longest = 3 * blockFrames + 500;
    lay(blockFrames * 5 - 7, blockFrames * 5 - 7 + longest, true);
    lay(frames - longest - 2 * blockFrames - 40, frames - 2 * blockFrames - 40, true);
    lay(blockFrames * 5 - 8, blockFrames * 5 - 7, false);
    lay(blockFrames * 5 - 7 + longest, blockFrames * 5 - 6 + longest, false);
    lay(frames - longest - 2 * blockFrames - 41, frames - longest - 2 * blockFrames - 40, false);
    lay(frames - 2 * blockFrames - 40, frames - 2 * blockFrames - 39, false);
    return silent;
}

// The plain scan: one thread, one block for these files, frame by frame.
ScanSettings Plain() {
    ScanSettings s;
    s.Threads = 1;
    s.Vectors = VectorLevel::Portable;
    return s;
}

// The tracks of the frames as IsSilentFrame judges them, one at a time.
std::vector<Row> FrameByFrame(const Bytes& data, const WaveFormat& f, uint32_t frames, int32_t minMs,
                              const std::string& path) {
    const uint32_t m = MinimumSilenceFrames(f.nSamplesPerSec, minMs);
    std::vector<SilenceSpan> spans;
    bool in = false;
    uint32_t start = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        const bool silent = IsSilentFrame(&data[std::size_t(i) * f.nBlockAlign], f, 10);
        if (silent && !in) in = true, start = i;
        if (!silent && in) {
            in = false;
            if (i - start > m) spans.push_back({start, i, i - start});
        }
    }
    TrackList tracks;
    BuildTracks(spans, frames, path, f, tracks);
    return Rows(tracks);
}

// The largest tested amplitude of each column, one sample at a time (24-bit
// ones on the 16-bit scale).
std::vector<uint16_t> PlainPeaks(const Bytes& data, const WaveFormat& f, uint32_t frames, uint32_t columnFrames) {
    std::vector<uint16_t> peaks((frames + columnFrames - 1) / columnFrames);
    std::optional<PeakMap> map;
    if (f.wBitsPerSample == 24) map.emplace(f);
    for (uint32_t i = 0; i < frames; ++i) {
        for (int s = 0; s < (f.nChannels == 1 ? 1 : 2); ++s) {
            const uint8_t* p = &data[std::size_t(i) * f.nBlockAlign + std::size_t(s * SampleBytes(f))];
            const int v = f.wBitsPerSample == 8    ? p[0] - 128
                          : f.wBitsPerSample == 16 ? int16_t(uint16_t(p[0] | p[1] << 8))
                                                   : int32_t(uint32_t(p[0] << 8 | p[1] << 16 | p[2] << 24)) >> 8;
            const uint16_t a = map ? (*map)(uint64_t(std::abs(v))) : uint16_t(std::abs(v));
            peaks[i / columnFrames] = std::max(peaks[i / columnFrames], a);
        }
    }
    return peaks;
}

WaveFormat FormatOf(const Layout& l) {
    const Bytes body = FmtBody(Format{1, l.channels, kRate, l.bits, l.align});
    WaveFormat f;
    (void)ParseFormatChunk(body.data(), body.size(), f);
    return f;
}

void ExpectSameReport(const AnalysisReport& got, const AnalysisReport& want) {
    EXPECT_EQ(got.Overview.ColumnFrames, want.Overview.ColumnFrames);
    EXPECT_EQ(got.Overview.TotalFrames, want.Overview.TotalFrames);
    EXPECT_TRUE(got.Overview.Peaks == want.Overview.Peaks) << "overview peaks differ";
    ASSERT_EQ(got.Nothing.has_value(), want.Nothing.has_value());
    if (got.Nothing) {
        EXPECT_EQ(got.Nothing->LongestMs, want.Nothing->LongestMs);
        EXPECT_EQ(got.Nothing->LongestStartMs, want.Nothing->LongestStartMs);
        EXPECT_EQ(got.Nothing->FoundAtPercent, want.Nothing->FoundAtPercent);
        EXPECT_EQ(got.Nothing->FoundLongestMs, want.Nothing->FoundLongestMs);
    }
}

struct Case {
    const char* name;
    Layout layout;
    unsigned threads;
    uint32_t blockBytes, pieceBytes;
    ScanSource source;
    VectorLevel vectors;
    int32_t minMs;  // 1 ms is 8 frames: every short silence counts, and no word is skipped
};

class ParallelScan : public ::testing::TestWithParam<Case> {};

TEST_P(ParallelScan, GivesThePlainScansTracksAndOverview) {
    const Case c = GetParam();
    const WideFormatsOn wide;  // for 24 bits
    const uint32_t blockFrames = std::max<uint32_t>(1, c.blockBytes / c.layout.align);
    const uint32_t frames = 40 * blockFrames + 123;
    const Bytes data = Material(c.layout, Pattern(frames, blockFrames, 11), 5);
    TempDir dir;
    const WaveFormat f = FormatOf(c.layout);
    const std::string path = dir.Write(
        "Take.wav", PcmWave(Format{1, c.layout.channels, kRate, c.layout.bits, c.layout.align}, data));
    ScanSettings settings;
    settings.Threads = c.threads;
    settings.BlockBytes = c.blockBytes;
    settings.PieceBytes = c.pieceBytes;
    settings.Source = c.source;
    settings.Vectors = c.vectors;

    for (const int32_t minMs : {c.minMs, 100000}) {  // many tracks; one track and its report
        SCOPED_TRACE(testing::Message() << "minimum " << minMs << " ms");
        const Scan plain = Analyze(path, minMs, Plain());
        const Scan scan = Analyze(path, minMs, settings);
        EXPECT_EQ(scan.outcome, ScanOutcome::Completed);
        EXPECT_EQ(Rows(scan.tracks), Rows(plain.tracks));
        EXPECT_EQ(Rows(scan.tracks), FrameByFrame(data, f, frames, minMs, path));
        EXPECT_EQ(scan.job->Progress.load(), 100);
        ExpectSameReport(scan.report, plain.report);
        const auto& peaks = scan.report.Overview.Peaks;
        EXPECT_TRUE(std::ranges::equal(peaks, PlainPeaks(data, f, frames, OverviewColumnFrames(kRate, frames))));
        if (minMs == c.minMs) EXPECT_GT(scan.tracks.size(), 10u);
        else EXPECT_TRUE(scan.report.Nothing && scan.report.Nothing->LongestMs > 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ParallelScan,
    ::testing::Values(
        Case{"Stereo16Read", {16, 2, 4}, 2, 4000, 1024, ScanSource::Read, VectorLevel::Avx2, 20},
        Case{"Stereo16Mapped", {16, 2, 4}, 2, 8192, 512, ScanSource::Map, VectorLevel::Best, 20},
        Case{"Stereo16MappedOddBlocks", {16, 2, 4}, 3, 4001, 700, ScanSource::Map, VectorLevel::Sse2, 20},
        Case{"Stereo16EveryShortSilence", {16, 2, 4}, 2, 2804, 256, ScanSource::Read, VectorLevel::Best, 1},
        Case{"Mono16", {16, 1, 2}, 3, 3000, 2048, ScanSource::Read, VectorLevel::Best, 20},
        Case{"Mono8Mapped", {8, 1, 1}, 2, 999, 300, ScanSource::Map, VectorLevel::Avx2, 20},
        Case{"Stereo8", {8, 2, 2}, 2, 2000, 1000, ScanSource::Read, VectorLevel::Sse2, 20},
        Case{"Stereo16PaddedMapped", {16, 2, 6}, 2, 5000, 4096, ScanSource::Map, VectorLevel::Best, 20},
        Case{"Mono16Padded", {16, 1, 4}, 2, 4096, 1024, ScanSource::Read, VectorLevel::Best, 1},
        Case{"Stereo24Read", {24, 2, 6}, 2, 6000, 1536, ScanSource::Read, VectorLevel::Avx2, 20},
        Case{"Mono24MappedOddBlocks", {24, 1, 3}, 3, 4001, 700, ScanSource::Map, VectorLevel::Best, 1},
        Case{"Stereo24Plain", {24, 2, 6}, 2, 5000, 1000, ScanSource::Read, VectorLevel::Sse2, 20},
        Case{"Stereo24PaddedMapped", {24, 2, 8}, 2, 5000, 4096, ScanSource::Map, VectorLevel::Best, 20}),
    [](const auto& param) { return std::string(param.param.name); });

// The report's longest silence is the first of the longest, whether they lie
// inside one block or across an edge (blocks of 1000 frames), however short
// they are: also when none is longer than a 64-frame word of the scan's mask
// (words from each block's first frame), or one fills a word but its last frame.
TEST(ParallelScan, TheLongestSilenceIsTheFirstOfTheLongest) {
    struct Silence {
        uint32_t start, length;
    };
    struct Runs {
        std::vector<Silence> silences;
        uint32_t longest;  // its start
    };
    const Runs cases[] = {
        {{{2900, 600}, {7100, 600}}, 2900},   {{{1100, 600}, {5800, 600}}, 1100},  {{{4200, 500}, {4900, 500}}, 4200},
        {{{1000, 1000}, {9000, 1000}}, 1000}, {{{15045, 45}, {19000, 45}}, 15045}, {{{3990, 45}, {15045, 45}}, 3990},
        {{{7001, 62}, {7064, 63}}, 7064},     {{{7064, 63}, {7200, 63}}, 7064},
    };
    for (const Runs& c : cases) {
        SCOPED_TRACE(testing::Message() << "longest at " << c.longest);
        std::vector<bool> silent(20000);
        for (uint32_t i = 0; i < 20000; i += 97)  // shorter silences all along
            for (uint32_t j = i; j < i + 1 + i % 41; ++j) silent[j] = true;
        for (const Silence& q : c.silences)
            std::fill(silent.begin() + q.start - 60, silent.begin() + q.start + q.length + 60, false);
        for (const Silence& q : c.silences)
            std::fill(silent.begin() + q.start, silent.begin() + q.start + q.length, true);
        TempDir dir;
        const std::string path = dir.Write("Runs.wav",
                                           PcmWave(Format{1, 2, kRate, 16}, Material({16, 2, 4}, silent, 1)));
        ScanSettings s;
        s.BlockBytes = 4000;
        s.Threads = 2;
        const Scan scan = Analyze(path, 100000, s);
        ASSERT_TRUE(scan.report.Nothing);
        EXPECT_EQ(scan.report.Nothing->LongestStartMs, c.longest * 1000 / kRate);
        ExpectSameReport(scan.report, Analyze(path, 100000, Plain()).report);
    }
}

// A recording of many small blocks for the tests below.
struct Recording {
    Layout layout;
    uint32_t blockFrames = 1000;
    uint32_t frames = 30 * 1000 + 77;
    Bytes data;
    TempDir dir;
    std::string path;

    explicit Recording(Layout l = {16, 2, 4}) : layout(l) {
        data = Material(layout, Pattern(frames, blockFrames, 3), 9);
        path = dir.Write("Tape.wav", PcmWave(Format{1, l.channels, kRate, l.bits, l.align}, data));
    }
    [[nodiscard]] ScanSettings Settings(ScanSource source, unsigned threads = 2) const {
        ScanSettings s;
        s.Threads = threads;
        s.BlockBytes = blockFrames * layout.align;
        s.PieceBytes = 1024;
        s.Source = source;
        return s;
    }
    // The file cut to its header and the first frames (and a stray byte of the next).
    void CutTo(uint64_t keepFrames) const {
        ASSERT_EQ(truncate(path.c_str(), off_t(kDataOffset + keepFrames * layout.align + 1)), 0);
    }
    // What the plain scan makes of a copy cut there.
    [[nodiscard]] Scan PlainCutAt(uint64_t keepFrames) const {
        const Bytes whole = ReadFile(path);
        const std::string copy = dir.Write(
            "Tape cut.wav", Bytes(whole.begin(), whole.begin() + kDataOffset + int64_t(keepFrames * layout.align) + 1));
        Scan s = Analyze(copy, 20, Plain());
        for (auto& t : s.tracks) t.Name.replace(0, 8, "Tape");  // "Tape cut.0001" named as the original
        return s;
    }
};

TEST(ParallelScan, AnAbortAtAnyBlockIsSeenBeforeTheNextBlock) {
    const Recording r;
    for (const ScanSource source : {ScanSource::Read, ScanSource::Map}) {
        for (const unsigned threads : {1u, 2u}) {
            for (uint64_t at = 0; at < 31; ++at) {
                SCOPED_TRACE(testing::Message()
                             << "source " << int(source) << ", " << threads << " threads, block " << at);
                AnalysisJob job;
                std::atomic<int> begunAfter{0};
                ScanSettings s = r.Settings(source, threads);
                s.BeforeBlock = [&job, &begunAfter, at](uint64_t block) {
                    if (job.AbortRequested.load()) ++begunAfter;
                    if (block == at) job.AbortRequested.store(true);
                };
                const Scan scan = Analyze(r.path, 20, s, &job);
                EXPECT_EQ(scan.outcome, ScanOutcome::Aborted);
                EXPECT_TRUE(scan.tracks.empty());
                EXPECT_TRUE(scan.report.Overview.Empty()) << "the report is left alone";
                if (at < 30) {  // the last block, once begun, is scanned to its end
                    EXPECT_LT(scan.job->Progress.load(), 100);
                }
                // Each other thread may have been past its own check already.
                EXPECT_LE(begunAfter.load(), int(threads) - 1);
            }
        }
    }
}

TEST(ParallelScan, ProgressOnlyRisesAndEndsAt100) {
    const Recording r;
    for (const ScanSource source : {ScanSource::Read, ScanSource::Map}) {
        AnalysisJob job;
        std::mutex lock;
        std::vector<int32_t> seen;
        ScanSettings s = r.Settings(source);
        s.BeforeBlock = [&](uint64_t) {
            const std::lock_guard<std::mutex> hold(lock);
            seen.push_back(job.Progress.load());
        };
        const Scan scan = Analyze(r.path, 20, s, &job);
        ASSERT_EQ(seen.size(), 31u);
        EXPECT_EQ(seen.front(), 0);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_EQ(scan.job->Progress.load(), 100);
    }
}

// The file is cut while the scan runs: before a block is read, or once its
// window is mapped and before it is read (the read then raises SIGBUS, which
// the scan catches). Either way the scan ends as on a file that short.
TEST(ParallelScan, AFileCutShortWhileScannedEndsLikeAShortRead) {
    if (kUnderThreadSanitizer) GTEST_SKIP() << "ThreadSanitizer handles SIGBUS itself";
    struct Cut {
        ScanSource source;
        bool afterMap;
        uint64_t atBlock, keepFrames;
        Layout layout = {16, 2, 4};
    };
    // Each cut lies inside the block whose hook makes it, so no block before
    // it can be read while the file is cut; blocks after it do not count.
    for (const Cut cut : {Cut{ScanSource::Read, false, 7, 7500}, Cut{ScanSource::Read, false, 12, 12000},
                          Cut{ScanSource::Map, false, 7, 7321}, Cut{ScanSource::Map, true, 9, 9000},
                          Cut{ScanSource::Map, true, 9, 9617}, Cut{ScanSource::Map, true, 20, 20001},
                          // the zeros past an 8-bit cut are loud: what was read of them must not stay
                          Cut{ScanSource::Map, true, 18, 18777, {8, 1, 1}}}) {
        SCOPED_TRACE(testing::Message() << "source " << int(cut.source) << (cut.afterMap ? " after mapping" : "")
                                        << ", block " << cut.atBlock << ", keep " << cut.keepFrames);
        const Recording r(cut.layout);
        const Scan want = r.PlainCutAt(cut.keepFrames);
        ASSERT_EQ(want.outcome, ScanOutcome::ShortRead);
        ScanSettings s = r.Settings(cut.source);
        std::function<void(uint64_t)> hook = [&r, cut](uint64_t block) {
            if (block == cut.atBlock) r.CutTo(cut.keepFrames);
        };
        (cut.afterMap ? s.AfterMap : s.BeforeBlock) = hook;
        const Scan scan = Analyze(r.path, 20, s);
        EXPECT_EQ(scan.outcome, ScanOutcome::ShortRead);
        EXPECT_EQ(Rows(scan.tracks), Rows(want.tracks));
        EXPECT_LT(scan.job->Progress.load(), 100);
        ExpectSameReport(scan.report, want.report);
    }
}

// A 64-bit size field may claim far more than the file holds: the scan reads
// what is there and ends as a short read, at no cost for the blocks claimed.
TEST(ParallelScan, ADataSizeFarBeyondTheFileEndsLikeAShortRead) {
    TempDir dir;
    const std::string path = dir.Write("claims.raw", Bytes(4000, 0));
    const platform::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    WaveFormat f;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.nBlockAlign = 4;
    f.wBitsPerSample = 16;
    AnalysisJob job;
    const ScanResult r = ScanDataChunk(fd.get(), 0, uint64_t(1) << 50, f, 10, 100, job, nullptr, ScanSettings{});
    EXPECT_EQ(r.Outcome, ScanOutcome::ShortRead);
    EXPECT_EQ(r.FramesScanned, 1000u);
}

// Cut from another thread at any moment of a mapped scan: what was scanned is
// a prefix of the recording, judged as the plain scan judges it.
TEST(ParallelScan, AFileCutFromAnotherThreadNeverRaisesSigbus) {
    if (kUnderThreadSanitizer) GTEST_SKIP() << "ThreadSanitizer handles SIGBUS itself";
    const Recording r;
    const WaveFormat f = FormatOf(r.layout);
    std::mt19937 rng(17);
    for (int round = 0; round < 12; ++round) {
        TempDir dir;
        const std::string path = dir.Write("Cut.wav", PcmWave(Format{1, 2, kRate, 16}, r.data));
        const uint64_t keep = rng() % r.frames;
        const auto pause = std::chrono::microseconds(rng() % 400);
        std::thread cutter;
        ScanSettings s = r.Settings(ScanSource::Map, 1 + round % 3);
        s.BeforeBlock = [&](uint64_t block) {
            if (block != 2) return;
            cutter = std::thread([&path, keep, pause] {
                std::this_thread::sleep_for(pause);
                EXPECT_EQ(truncate(path.c_str(), off_t(kDataOffset + keep * 4)), 0);
            });
        };
        platform::UniqueHmmio file;
        WaveFormat format;
        platform::MMCKINFO chunk;
        uint64_t dataSize = 0;
        RecordingSeam seam;
        ASSERT_TRUE(OpenWaveFile(path, file, format, chunk, dataSize, seam));
        AnalysisJob job;
        const uint32_t m = MinimumSilenceFrames(kRate, 20);
        const ScanResult result = ScanDataChunk(platform::mmioDescriptor(file.get()), chunk.dwDataOffset, dataSize,
                                                format, 10, m, job, nullptr, s);
        if (cutter.joinable()) cutter.join();
        SCOPED_TRACE(testing::Message() << "round " << round << ": kept " << keep << ", scanned "
                                        << result.FramesScanned);
        EXPECT_TRUE(result.Outcome == ScanOutcome::ShortRead || result.Outcome == ScanOutcome::Completed);
        EXPECT_EQ(result.Outcome == ScanOutcome::Completed, result.FramesScanned == r.frames);
        TrackList tracks;
        BuildTracks(result.Spans, uint32_t(result.FramesScanned), path, format, tracks);
        EXPECT_EQ(Rows(tracks), FrameByFrame(r.data, f, uint32_t(result.FramesScanned), 20, path));
    }
}

std::atomic<int> gMapFailures{0};

bool MapOddBlocksFail(platform::FileView& view, int fd, int64_t offset, std::size_t length) {
    if ((offset - kDataOffset) / 4000 % 2 == 0) return view.Map(fd, offset, length);
    ++gMapFailures;
    return false;
}

bool MapNothing(platform::FileView&, int, int64_t, std::size_t) {
    ++gMapFailures;
    return false;
}

TEST(ParallelScan, ReadsWhereMappingFails) {
    const Recording r;
    const Scan want = Analyze(r.path, 20, Plain());
    for (auto* map : {MapOddBlocksFail, MapNothing}) {
        gMapFailures = 0;
        ScanSettings s = r.Settings(ScanSource::Map);
        s.MapWindow = map;
        const Scan scan = Analyze(r.path, 20, s);
        EXPECT_EQ(scan.outcome, ScanOutcome::Completed);
        EXPECT_EQ(Rows(scan.tracks), Rows(want.tracks));
        ExpectSameReport(scan.report, want.report);
        // After a failure a thread reads the rest: one failure each at most.
        EXPECT_GE(gMapFailures.load(), 1);
        EXPECT_LE(gMapFailures.load(), 2);
    }
}

// Without a report the overview is not gathered, and nothing else changes.
TEST(ParallelScan, WithoutAReportTheTracksAreTheSame) {
    const Recording r;
    const Scan with = Analyze(r.path, 20, r.Settings(ScanSource::Read));
    AnalysisJob job;
    TrackList tracks;
    RecordingSeam seam;
    EXPECT_EQ(AnalyzeWaveFile(r.path, 10, 20, job, tracks, seam, nullptr, r.Settings(ScanSource::Map)),
              ScanOutcome::Completed);
    EXPECT_EQ(Rows(tracks), Rows(with.tracks));
    EXPECT_EQ(job.Progress.load(), 100);
}

}  // namespace
}  // namespace quillon::test
