// Cutting at a CUE sheet's times: each boundary settles in the quiet near the
// sheet's time, on a level overview built here (1 frame a millisecond, 10 ms
// columns), loud but for the quiet stretches each case names.
#include <gtest/gtest.h>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "editing/SheetCuts.h"

namespace quillon::engine {
namespace {

constexpr uint32_t kLengthMs = 120000;
constexpr uint16_t kLoud = 20000;

struct Quiet {
    uint32_t fromMs, toMs;
    uint16_t peak = 0;
};

LevelOverview Overview(const std::vector<Quiet>& quiet) {
    LevelOverview overview;
    overview.SamplesPerSec = 1000;
    overview.ColumnFrames = 10;
    overview.TotalFrames = kLengthMs;
    overview.Peaks.assign(kLengthMs / 10, kLoud);
    for (const Quiet& q : quiet) {
        for (uint32_t ms = q.fromMs; ms < q.toMs; ms += 10) overview.Peaks[ms / 10] = q.peak;
    }
    return overview;
}

TRACK_INFO_STRUCT Row(std::string name, uint32_t startMs, uint32_t stopMs) {
    return {std::move(name), FormatTime(startMs), FormatTime(stopMs), FormatTime(stopMs - startMs), 1, 1};
}

// Three rows, with a gap between the last two.
const TrackList kList{Row("One", 0, 40000), Row("Two", 40000, 79000), Row("Three", 80000, kLengthMs)};

CueSheet Sheet(std::optional<uint32_t> second, std::optional<uint32_t> third) {
    CueSheet sheet;
    sheet.Tracks = {{"", "", 0}, {"", "", second}, {"", "", third}};
    return sheet;
}

struct CutCase {
    const char* what;
    std::vector<Quiet> quiet;
    uint32_t second, third;  // the sheet's starts of tracks 2 and 3
    int32_t percent;
    uint32_t cut1, cut2;  // where the boundaries settle
};

TEST(SheetCuts, EachBoundarySettlesInTheQuietNearTheSheetsTime) {
    const CutCase cases[] = {
        {"the quiet around each time", {{49000, 51000}, {89000, 90000}}, 50000, 90000, 2, 50000, 89500},
        {"the longest of two", {{45000, 45500}, {52000, 55000}}, 50000, 90000, 2, 53500, 90000},
        {"none within reach: the time itself", {{61000, 70000}}, 50000, 90000, 2, 50000, 90000},
        {"a stretch counts as far as the reach", {{49900, 50100}, {58000, 70000}}, 50000, 90000, 2, 59000, 90000},
        {"quiet at the amplitude", {{52000, 54000, 500}}, 50000, 90000, 2, 53000, 90000},
        {"not quiet at a lower amplitude", {{52000, 54000, 500}}, 50000, 90000, 1, 50000, 90000},
        {"never past the next track's time", {{56000, 58000}}, 50000, 55000, 2, 50000, 57000},
        {"the quiet nearer the time before goes to it", {{51000, 52000}}, 50000, 56000, 2, 51500, 56000},
    };
    for (const CutCase& c : cases) {
        const SheetCuts cuts = CutAtSheetTimes(kList, Sheet(c.second, c.third), Overview(c.quiet), c.percent);
        ASSERT_EQ(cuts.Fault, SheetCutFault::None) << c.what;
        ASSERT_EQ(cuts.Tracks.size(), 3u) << c.what;
        const TrackList expected{Row("One", 0, c.cut1), Row("Two", c.cut1, c.cut2), Row("Three", c.cut2, kLengthMs)};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(cuts.Tracks[i].Name, expected[i].Name) << c.what;
            EXPECT_EQ(cuts.Tracks[i].Start, expected[i].Start) << c.what << ", row " << i;
            EXPECT_EQ(cuts.Tracks[i].Stop, expected[i].Stop) << c.what << ", row " << i;
            EXPECT_EQ(cuts.Tracks[i].Duration, expected[i].Duration) << c.what << ", row " << i;
            EXPECT_EQ(cuts.Tracks[i].WaveSaved, 0) << c.what << ": its saved wave is not this track";
            EXPECT_EQ(cuts.Tracks[i].Outdated, kAllOutdated) << c.what << ": nor are its other files";
        }
    }
}

TEST(SheetCuts, ASheetThatDoesNotFitTheListIsRefused) {
    CueSheet twoTracks;
    twoTracks.Tracks = {{"", "", 0}, {"", "", 50000}};
    const struct {
        CueSheet sheet;
        SheetCutFault fault;
        std::string error;
    } cases[] = {
        {twoTracks, SheetCutFault::CountsDiffer, FormatText(text::kSheetCutCounts, {"2 tracks", "3 tracks"})},
        {Sheet(50000, std::nullopt), SheetCutFault::NoStart, FormatText(text::kSheetCutNoStart, {"3"})},
        {Sheet(50000, 50000), SheetCutFault::BadTime, FormatText(text::kSheetCutBadTime, {"3", "00:50:000"})},
        {Sheet(50000, kLengthMs), SheetCutFault::BadTime, FormatText(text::kSheetCutBadTime, {"3", "02:00:000"})},
    };
    for (const auto& c : cases) {
        const SheetCuts cuts = CutAtSheetTimes(kList, c.sheet, Overview({}), 2);
        EXPECT_EQ(cuts.Fault, c.fault) << c.error;
        EXPECT_EQ(cuts.Error, c.error);
        EXPECT_TRUE(cuts.Tracks.empty());
    }
}

}  // namespace
}  // namespace quillon::engine
