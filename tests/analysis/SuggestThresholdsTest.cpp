#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analysis/SilenceDetect.h"
#include "analysis/SuggestThresholds.h"
#include "analysis/TrackTimes.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace engine;

constexpr uint32_t kRate = 4000;  // 16-bit mono: small files

// A record side with the dynamics of music, built piece by piece; levels are
// percent of full scale. Under everything lies hiss at the floor's level.
class Side {
public:
    struct Sound {
        double floorPercent = 0.3;  // the hiss's peak
        double dcPercent = 0;       // an offset under everything
        bool clicks = false;        // a worn record: a click of 10 to 18 % every 0.3 to 0.7 s
        double drive = 0;           // a loud master: music squashed towards full scale
        double noteTau = 0.3;       // how fast a note dies away, in seconds
    };
    explicit Side(Sound sound) : sound_(sound) {}

    // Notes of 220 Hz every beat seconds at 20 to 70 %, each dying away: the
    // level between notes falls to a fraction of it.
    Side& Notes(double seconds, double beat = 0.6) {
        const double tau = sound_.noteTau;
        double level = 0;
        for (uint32_t i = 0; i < Frames(seconds); ++i) {
            const double t = double(i) / kRate, inNote = std::fmod(t, beat);
            if (i % Frames(beat) == 0) level = 20 + double(random_() % 51);
            Music(level * std::exp(-inNote / tau) * std::sin(2 * M_PI * 220 * t));
        }
        return *this;
    }
    // A steady soft passage (an intro, or a quiet part inside a piece).
    Side& Soft(double seconds, double percent) {
        for (uint32_t i = 0; i < Frames(seconds); ++i) Music(percent * std::sin(2 * M_PI * 220 * i / kRate));
        return *this;
    }
    // The last note of a piece fading out to nothing.
    Side& FadeOut(double seconds) {
        const uint32_t n = Frames(seconds);
        for (uint32_t i = 0; i < n; ++i) Music(50.0 * (n - i) / n * std::sin(2 * M_PI * 220 * i / kRate));
        return *this;
    }
    // A gap between pieces: the floor alone.
    Side& Gap(double seconds) {
        const double from = Seconds();
        for (uint32_t i = 0; i < Frames(seconds); ++i) Put(0);
        gaps_.push_back({from, Seconds()});
        return *this;
    }

    [[nodiscard]] std::string Write(const TempDir& dir) const {
        Bytes bytes;
        for (int16_t v : samples_) {
            bytes.push_back(uint8_t(uint16_t(v) & 0xff));
            bytes.push_back(uint8_t(uint16_t(v) >> 8));
        }
        return dir.Write("Side.wav", PcmWave(Format{1, 1, kRate, 16}, bytes));
    }
    [[nodiscard]] const std::vector<std::pair<double, double>>& Gaps() const { return gaps_; }

private:
    static uint32_t Frames(double seconds) { return uint32_t(seconds * kRate); }
    double Seconds() const { return double(samples_.size()) / kRate; }
    void Music(double percent) {
        if (sound_.drive > 0) percent = 100 * std::tanh(sound_.drive * percent / 100) / std::tanh(sound_.drive);
        Put(percent);
    }
    void Put(double percent) {
        percent += sound_.dcPercent + sound_.floorPercent * (double(random_() % 2001) / 1000 - 1);
        if (sound_.clicks && samples_.size() >= nextClick_) {
            percent += (random_() % 2 ? 1 : -1) * (10 + double(random_() % 9));
            nextClick_ = samples_.size() + Frames(0.3 + double(random_() % 401) / 1000);
        }
        samples_.push_back(int16_t(std::clamp(std::lround(percent * 327.67), -32768L, 32767L)));
    }

    Sound sound_;
    std::vector<int16_t> samples_;
    std::vector<std::pair<double, double>> gaps_;
    std::size_t nextClick_ = 0;
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

ThresholdAnswer Suggest(const std::string& path, int32_t expected, std::optional<int32_t> keep = std::nullopt) {
    const Analysed first = Analyse(path, 10, 3);
    ThresholdRequest request;
    request.Expected = expected;
    request.KeepPercent = keep;
    AnalysisJob job;
    RecordingSeam seam;
    TrackList tracks;
    const std::optional<ThresholdAnswer> answer = SuggestThresholds(path, first.report.Overview, request, job, seam,
                                                                    &tracks);
    EXPECT_TRUE(answer);
    if (!answer) return {};
    EXPECT_EQ(int32_t(tracks.size()), answer->Choice.Tracks) << "what it claims is what the analysis gives";
    return *answer;
}

// Every boundary between two tracks lies inside one of the gaps, in order.
void ExpectCutsInGaps(const std::string& path, const ThresholdChoice& c,
                      const std::vector<std::pair<double, double>>& gaps) {
    const TrackList tracks = Analyse(path, c.AmplitudePercent, c.DurationSeconds).tracks;
    ASSERT_EQ(tracks.size(), gaps.size() + 1);
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        const double cut = double(TimeTextToMs(tracks[i].Stop)) / 1000;
        EXPECT_GT(cut, gaps[i].first) << "boundary " << i;
        EXPECT_LT(cut, gaps[i].second) << "boundary " << i;
    }
}

// Sides where a quiet stretch inside the music stands out as well as a gap
// does, at some amplitude: choosing by how much the stretches stand out cut
// inside the pieces (at 10 %, near the defaults, or far up near the music's
// own level). The gaps sit at the floor, and nothing else does.
struct Dynamic {
    const char* name;
    Side::Sound sound;
    double introSeconds;    // each piece opens this long at 2 %
    double passageSeconds;  // the second piece holds a soft passage at 1.5 % this long
};

void PrintTo(const Dynamic& d, std::ostream* os) { *os << d.name; }

class DynamicSide : public ::testing::TestWithParam<Dynamic> {
protected:
    // Five pieces of 40 s of decaying notes, each ending in a 3 s fade, apart by 2.5 to 4.5 s.
    static Side Build(const Dynamic& d) {
        Side side(d.sound);
        for (int piece = 0; piece < 5; ++piece) {
            if (piece > 0) side.Gap(2.5 + 0.5 * piece);
            if (d.introSeconds > 0) side.Soft(d.introSeconds, 2);
            side.Notes(20);
            if (piece == 1 && d.passageSeconds > 0) side.Soft(d.passageSeconds, 1.5);
            side.Notes(20).FadeOut(3);
        }
        return side;
    }
};

TEST_P(DynamicSide, CutsOnlyInTheGapsAndSaysNoToOneTrackMore) {
    const Side side = Build(GetParam());
    TempDir dir;
    const std::string path = side.Write(dir);
    const ThresholdAnswer five = Suggest(path, 5);
    ASSERT_TRUE(five.Found) << DescribeAnswer(five, {5, {}, {}});
    EXPECT_EQ(five.Choice.Tracks, 5);
    ExpectCutsInGaps(path, five.Choice, side.Gaps());

    const ThresholdAnswer six = Suggest(path, 6);
    EXPECT_FALSE(six.Found) << "a sixth track would start inside a piece: " << DescribeAnswer(six, {6, {}, {}});
    EXPECT_EQ(six.Choice.Tracks, 5) << "the closest is what the gaps give";
}

INSTANTIATE_TEST_SUITE_P(Sides, DynamicSide,
                         ::testing::Values(Dynamic{"QuietIntros", {}, 10, 0}, Dynamic{"QuietPassage", {}, 0, 8},
                                           Dynamic{"Worn", {0.4, 0, true, 0, 1.5}, 0, 0},
                                           Dynamic{"LoudMaster", {0.3, 0, false, 4}, 0, 0},
                                           Dynamic{"DcOffset", {0.3, 12, false, 0}, 0, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(SuggestThresholds, AKeptAmplitudeOnlyChoosesTheDuration) {
    Side side({});
    side.Notes(30).Gap(3).Notes(30).Gap(6).Notes(30);
    TempDir dir;
    const std::string path = side.Write(dir);
    const ThresholdAnswer kept = Suggest(path, 3, 4);
    ASSERT_TRUE(kept.Found);
    EXPECT_EQ(kept.Choice.AmplitudePercent, 4);
    ExpectCutsInGaps(path, kept.Choice, side.Gaps());

    // At 4 % only a duration between the two gaps gives two tracks: 4 or 5 s.
    const ThresholdAnswer two = Suggest(path, 2, 4);
    ASSERT_TRUE(two.Found);
    EXPECT_EQ(two.Choice.AmplitudePercent, 4);
    EXPECT_GE(two.Choice.DurationSeconds, 4);
    EXPECT_LE(two.Choice.DurationSeconds, 5);
    const ThresholdAnswer four = Suggest(path, 4, 4);
    EXPECT_FALSE(four.Found);
    EXPECT_EQ(four.Choice.AmplitudePercent, 4) << "the closest stays at the kept amplitude";
    EXPECT_EQ(DescribeAnswer(four, {4, 4, {}}),
              "No duration at 4 % separates 4 tracks; the closest is 3 tracks at 4 % "
              "and " +
                  std::to_string(four.Choice.DurationSeconds) + " s.");
}

TEST(SuggestThresholds, OneTrackKeepsThePairInUseWhereItGivesOne) {
    Side side({});
    side.Notes(30).Gap(2).Notes(30).Gap(5).Notes(30);
    TempDir dir;
    const std::string path = side.Write(dir);
    const LevelOverview overview = Analyse(path, 10, 3).report.Overview;
    ThresholdRequest request{1, {}, {10, 8, 0}};
    const ThresholdAnswer kept = ChooseThresholds(overview, request);
    EXPECT_TRUE(kept.Found);
    EXPECT_EQ(kept.Choice.DurationSeconds, 8);
    request.Current.DurationSeconds = 3;
    const ThresholdAnswer longer = ChooseThresholds(overview, request);
    EXPECT_EQ(longer.Choice.AmplitudePercent, 10);
    EXPECT_GE(longer.Choice.DurationSeconds, 5) << "a duration the 5 s gap does not exceed";
    EXPECT_EQ(PredictedCuts(overview, 10, longer.Choice.DurationSeconds * 1000).size(), 0u);
}

TEST(SuggestThresholds, AnUnreachableCountNamesTheNearestPlausibleOne) {
    // Three gaps of 3, 4 and 6 s: two, three or four tracks, nothing more.
    Side side({});
    side.Notes(30).Gap(3).Notes(30).Gap(4).Notes(30).Gap(6).Notes(30);
    TempDir dir;
    const std::string path = side.Write(dir);
    const ThresholdAnswer many = Suggest(path, 200);
    EXPECT_FALSE(many.Found);
    EXPECT_EQ(many.Choice.Tracks, 4);
    EXPECT_EQ(
        DescribeAnswer(many, {200, {}, {}}).rfind("No thresholds separate 200 tracks; the closest is 4 tracks at ", 0),
        0u);
    EXPECT_EQ(TracksText(1), "1 track");
}

}  // namespace
}  // namespace quillon::test
