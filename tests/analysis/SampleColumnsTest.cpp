#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <ostream>

#include "analysis/SampleColumns.h"
#include "analysis/WaveRead.h"
#include "support/TestWave.h"

namespace quillon::engine {
void PrintTo(const SampleColumn& c, std::ostream* os) { *os << "{" << c.Min << ", " << c.Max << "}"; }
}  // namespace quillon::engine

namespace quillon::test {
namespace {

using namespace engine;
namespace fs = std::filesystem;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Eight frames in full-scale units. The first two are loud and lie before every
// stretch read; channel 2 holds the stretch's extremes. The NaN is written as 0
// by the integer layouts, and must read as 0 from the float one.
constexpr float kFirst[] = {-1, -1, 0.25, -0.5, 0.125, 0.5, -0.25, kNaN};
constexpr float kSecond[] = {0.875, 0.875, -0.75, 0, 0.75, -0.125, 0, 0.5};

void Put(Bytes& out, SampleKind kind, float v) {
    if (std::isnan(v) && !IsFloatKind(kind)) v = 0;
    const auto put = [&out](uint32_t bits, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(bits >> (8 * i)));
    };
    switch (kind) {
    case SampleKind::Unsigned8: put(uint32_t(128 + int(v * 128)), 1); break;
    case SampleKind::Signed16: put(uint32_t(int(v * 32768)), 2); break;
    case SampleKind::Signed24: put(uint32_t(int(v * 8388608)), 3); break;
    default: put(std::bit_cast<uint32_t>(v), 4); break;
    }
}

struct Layout {
    const char* Name;
    Format Fmt;  // a block align past the samples is padded with bytes that read as loud
    SampleKind Kind;
    bool Wide;
};
void PrintTo(const Layout& l, std::ostream* os) { *os << l.Name; }

std::string WriteWave(const TempDir& dir, const Layout& l) {
    Bytes data;
    const uint16_t align = l.Fmt.blockAlign != 0 ? l.Fmt.blockAlign : uint16_t(l.Fmt.channels * l.Fmt.bits / 8);
    for (std::size_t f = 0; f < std::size(kFirst); ++f) {
        const std::size_t end = data.size() + align;
        Put(data, l.Kind, kFirst[f]);
        if (l.Fmt.channels == 2) Put(data, l.Kind, kSecond[f]);
        data.resize(end, 0x80);
    }
    return dir.Write("a.wav", PcmWave(l.Fmt, data));
}

SourceIdentity IdentityOf(const std::string& path) {
    platform::UniqueHmmio file;
    WaveFormat format;
    platform::MMCKINFO data{};
    EXPECT_EQ(OpenWaveQuietly(path, true, file, format, data), 0);
    return IdentifySource(file.get(), data).value_or(SourceIdentity{});
}

struct Stretch {
    uint64_t First, Frames;
    uint32_t Pixels;
    std::vector<SampleColumn> Mono, Stereo;
};

// Frames 2 to 7: fewer pixels than frames (columns of 1, 2, 1 and 2 frames),
// one column per frame, and a stretch asked past the end of the file.
const Stretch kStretches[] = {
    {2,
     6,
     4,
     {{0.25, 0.25}, {-0.5, 0.125}, {0.5, 0.5}, {-0.25, 0}},
     {{-0.75, 0.25}, {-0.5, 0.75}, {-0.125, 0.5}, {-0.25, 0.5}}},
    {2,
     6,
     10,
     {{0.25, 0.25}, {-0.5, -0.5}, {0.125, 0.125}, {0.5, 0.5}, {-0.25, -0.25}, {0, 0}},
     {{-0.75, 0.25}, {-0.5, 0}, {0.125, 0.75}, {-0.125, 0.5}, {-0.25, 0}, {0, 0.5}}},
    {2,
     1000,
     4,
     {{0.25, 0.25}, {-0.5, 0.125}, {0.5, 0.5}, {-0.25, 0}},
     {{-0.75, 0.25}, {-0.5, 0.75}, {-0.125, 0.5}, {-0.25, 0.5}}},
};

class SampleColumnsOf : public ::testing::TestWithParam<Layout> {};

TEST_P(SampleColumnsOf, HoldTheExtremesOfTheTestedSamplesOfTheStretch) {
    const Layout& l = GetParam();
    TempDir dir;
    const std::string path = WriteWave(dir, l);
    const std::atomic<bool> abort{false};
    for (const Stretch& s : kStretches) {
        const SampleResult r = ReadSampleColumns({path, IdentityOf(path), l.Wide, s.First, s.Frames, s.Pixels}, abort);
        ASSERT_EQ(r.Outcome, SampleRead::Read);
        EXPECT_EQ(r.FirstFrame, 2u);
        EXPECT_EQ(r.FramesRead, 6u);
        EXPECT_EQ(r.Columns, l.Fmt.channels == 1 ? s.Mono : s.Stereo) << s.Frames << " frames on " << s.Pixels;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SampleColumnsOf,
                         ::testing::Values(Layout{"Mono8", Format{1, 1, 44100, 8}, SampleKind::Unsigned8, false},
                                           Layout{"Stereo16Padded", Format{1, 2, 44100, 16, 6}, SampleKind::Signed16,
                                                  false},
                                           Layout{"Mono24", Format{1, 1, 48000, 24}, SampleKind::Signed24, true},
                                           Layout{"StereoFloat", Format{3, 2, 48000, 32}, SampleKind::Float32, true}),
                         [](const auto& layout) { return std::string(layout.param.Name); });

const Layout kStereo16{"Stereo16", Format{1, 2, 44100, 16}, SampleKind::Signed16, false};

enum class Change { ReplacedByRename, Removed, None };

struct ChangeCase {
    const char* Name;
    Change What;
    bool Abort;
    SampleRead Outcome;
};
void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.Name; }

class SampleColumnsAfter : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(SampleColumnsAfter, ReadNothingOfAnotherFileOrWhenAborted) {
    TempDir dir;
    const std::string path = WriteWave(dir, kStereo16);
    const SourceIdentity analysed = IdentityOf(path);
    if (GetParam().What == Change::ReplacedByRename) fs::rename(dir.Write("b.wav", ReadFile(path)), path);
    if (GetParam().What == Change::Removed) fs::remove(path);
    const SampleResult r = ReadSampleColumns({path, analysed, false, 0, 8, 8}, std::atomic<bool>{GetParam().Abort});
    EXPECT_EQ(r.Outcome, GetParam().Outcome);
    EXPECT_TRUE(r.Columns.empty());
}

INSTANTIATE_TEST_SUITE_P(Changes, SampleColumnsAfter,
                         ::testing::Values(ChangeCase{"ReplacedByRename", Change::ReplacedByRename, false,
                                                      SampleRead::NotTheAnalysedFile},
                                           ChangeCase{"Removed", Change::Removed, false, SampleRead::Unreadable},
                                           ChangeCase{"Aborted", Change::None, true, SampleRead::Aborted}),
                         [](const auto& change) { return std::string(change.param.Name); });

}  // namespace
}  // namespace quillon::test
