#include <gtest/gtest.h>

#include <random>

#include "analysis/SilenceDetect.h"
#include "analysis/SuggestThresholds.h"
#include "analysis/TrackTimes.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace engine;

constexpr uint32_t kRate = 4000;  // 16-bit mono: small files, whole seconds of every kind

// Builds a side second by second; levels are percent of full scale.
class Side {
public:
    // Music: a loud tone with a random level of 40 to 60 %.
    Side& Music(double seconds) {
        for (uint32_t i = 0; i < Frames(seconds); ++i) Put(((i / 4) % 2 ? 1 : -1) * int(40 + random_() % 21));
        return *this;
    }
    // A steady quiet stretch at percent.
    Side& Quiet(double seconds, int percent) {
        for (uint32_t i = 0; i < Frames(seconds); ++i) Put((i % 2 ? 1 : -1) * percent);
        return *this;
    }
    // A worn record's gap: hiss at 2 % and a click of 11 to 18 % every half second.
    Side& WornGap(double seconds) {
        for (uint32_t i = 0; i < Frames(seconds); ++i) Put(i % (kRate / 2) == kRate / 4 ? 11 + int(random_() % 8) : 2);
        return *this;
    }
    // The side as a file.
    std::string Write(const TempDir& dir) const {
        return dir.Write("Side.wav", PcmWave(Format{1, 1, kRate, 16}, bytes_));
    }
    double Seconds() const { return double(bytes_.size()) / 2 / kRate; }

private:
    static uint32_t Frames(double seconds) { return uint32_t(seconds * kRate); }
    void Put(int percent) {
        const int v = percent * 32767 / 100;
        bytes_.push_back(uint8_t(v & 0xff));
        bytes_.push_back(uint8_t((v >> 8) & 0xff));
    }
    Bytes bytes_;
    std::mt19937 random_{11};
};

struct Analysed {
    TrackList tracks;
    AnalysisReport report;
};

Analysed Analyse(const std::string& path, int32_t percent, int32_t seconds) {
    Analysed a;
    AnalysisJob job;
    RecordingSeam seam;
    EXPECT_EQ(AnalyzeWaveFile(path, percent, seconds * 1000, job, a.tracks, seam, &a.report), ScanOutcome::Completed);
    return a;
}

ThresholdChoice Suggest(const std::string& path, int32_t expected) {
    const Analysed first = Analyse(path, 10, 3);
    AnalysisJob job;
    RecordingSeam seam;
    const std::optional<ThresholdChoice> choice = SuggestThresholds(path, first.report.Overview, expected, 10, job,
                                                                    seam);
    EXPECT_TRUE(choice);
    EXPECT_GE(choice->AmplitudePercent, 1);
    EXPECT_LE(choice->AmplitudePercent, 100);
    EXPECT_GE(choice->DurationSeconds, 1);
    EXPECT_LE(choice->DurationSeconds, 100);
    // What it claims is what the analysis gives with the pair.
    EXPECT_EQ(int32_t(Analyse(path, choice->AmplitudePercent, choice->DurationSeconds).tracks.size()), choice->Tracks);
    return choice.value_or(ThresholdChoice{});
}

// Every boundary between two tracks lies inside one of the gaps (seconds from..to).
void ExpectBoundariesIn(const TrackList& tracks, const std::vector<std::pair<double, double>>& gaps) {
    ASSERT_EQ(tracks.size(), gaps.size() + 1);
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        const double cut = double(TimeTextToMs(tracks[i].Stop)) / 1000;
        EXPECT_GT(cut, gaps[i].first) << "boundary " << i;
        EXPECT_LT(cut, gaps[i].second) << "boundary " << i;
    }
}

TEST(SuggestThresholds, FindTheRealGapsOfAWornRecord) {
    // Five pieces, two with a quiet passage at 8 %, four gaps of crackle.
    Side side;
    std::vector<std::pair<double, double>> gaps;
    for (int piece = 0; piece < 5; ++piece) {
        side.Music(8);
        if (piece % 2 == 1) side.Quiet(2.5, 8).Music(6);
        if (piece == 4) break;
        const double from = side.Seconds();
        side.WornGap(5);
        gaps.push_back({from, side.Seconds()});
    }
    TempDir dir;
    const std::string path = side.Write(dir);
    ASSERT_EQ(Analyse(path, 10, 3).tracks.size(), 1u) << "the defaults see no gap";
    const ThresholdChoice choice = Suggest(path, 5);
    EXPECT_EQ(choice.Tracks, 5);
    EXPECT_GE(choice.AmplitudePercent, 18);  // the loudest click is quiet there
    ExpectBoundariesIn(Analyse(path, choice.AmplitudePercent, choice.DurationSeconds).tracks, gaps);
}

TEST(SuggestThresholds, KeepAQuietIntroWithItsPiece) {
    // A 4 s intro at 6 % that the defaults cut off, then two gaps of silence.
    Side side;
    side.Quiet(4, 6).Music(10).Quiet(6, 0).Music(10).Quiet(6, 0).Music(10);
    TempDir dir;
    const std::string path = side.Write(dir);
    ASSERT_EQ(Analyse(path, 10, 3).tracks.size(), 4u);
    const ThresholdChoice choice = Suggest(path, 3);
    EXPECT_EQ(choice.Tracks, 3);
    ExpectBoundariesIn(Analyse(path, choice.AmplitudePercent, choice.DurationSeconds).tracks, {{14, 20}, {30, 36}});
}

struct Unreachable {
    const char* name;
    int32_t expected;
};

class UnreachableCount : public ::testing::TestWithParam<Unreachable> {};

TEST_P(UnreachableCount, GivesTheClosestPairAndSaysWhatItGives) {
    // Four gaps of exactly 4 s: no duration keeps two of them and drops two.
    Side side;
    side.Music(5);
    for (int gap = 0; gap < 4; ++gap) side.Quiet(4, 0).Music(5);
    TempDir dir;
    const ThresholdChoice choice = Suggest(side.Write(dir), GetParam().expected);
    EXPECT_NE(choice.Tracks, GetParam().expected);
    EXPECT_TRUE(choice.Tracks == 1 || choice.Tracks == 5) << choice.Tracks;
}

INSTANTIATE_TEST_SUITE_P(Counts, UnreachableCount,
                         ::testing::Values(Unreachable{"EqualGaps", 3}, Unreachable{"MoreThanTheGapsAllow", 9}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(SuggestThresholds, OneTrackAndTheOverviewsOwnCuts) {
    Side side;
    side.Music(5).Quiet(4, 0).Music(5).Quiet(7, 0).Music(5);
    TempDir dir;
    const std::string path = side.Write(dir);
    EXPECT_EQ(Suggest(path, 1).Tracks, 1);
    const LevelOverview overview = Analyse(path, 10, 3).report.Overview;
    EXPECT_EQ(PredictedCuts(overview, 10, 3000).size(), 2u);
    EXPECT_EQ(PredictedCuts(overview, 10, 5000), std::vector<uint64_t>{uint64_t(17.5 * kRate)});
}

}  // namespace
}  // namespace quillon::test
