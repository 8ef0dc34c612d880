// Split, merge and the rows they pick; the preview's range and the player's
// messages.
#include <gtest/gtest.h>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "editing/TrackEdits.h"
#include "preview/PreviewRange.h"

namespace quillon::engine {
namespace {

TRACK_INFO_STRUCT T(std::string name, std::string start, std::string stop) {
    TRACK_INFO_STRUCT t{std::move(name), std::move(start), std::move(stop), "", 1, 1};
    t.Duration = FormatTime(uint32_t(TimeTextToMs(t.Stop) - TimeTextToMs(t.Start)));
    return t;
}

std::vector<RowMark> Marks(std::size_t n, std::initializer_list<std::size_t> checked,
                           std::initializer_list<std::size_t> selected = {}) {
    std::vector<RowMark> rows(n);
    for (std::size_t i : checked) rows[i].checked = true;
    for (std::size_t i : selected) rows[i].selected = true;
    return rows;
}

TEST(Split, ReplacesTheTrackByTwoThatMeetAtThePoint) {
    TrackList list{T("W", "00:00:000", "00:10:000"), T("X", "00:10:000", "00:20:000"),
                   T("Y", "00:20:000", "00:25:000")};
    ASSERT_TRUE(SplitPointInside(list[1], 15000));
    SplitTrack(list, 1, 15000);
    ASSERT_EQ(list.size(), 4u);
    const auto expect = [](const TRACK_INFO_STRUCT& t, const char* name, const char* start, const char* stop,
                           const char* duration) {
        EXPECT_EQ(t.Name, name);
        EXPECT_EQ(t.Start, start);
        EXPECT_EQ(t.Stop, stop);
        EXPECT_EQ(t.Duration, duration);
        EXPECT_EQ(t.Checked, 0);
        EXPECT_EQ(t.WaveSaved, 0);
    };
    expect(list[1], "X.A", "00:10:000", "00:15:000", "00:05:000");
    expect(list[2], "X.B", "00:15:000", "00:20:000", "00:05:000");
    EXPECT_EQ(list[3].Name, "Y");
    EXPECT_EQ(list[0].WaveSaved, 1);  // the others are left alone
}

TEST(Split, SuffixesAccumulateAndRepeatedNamesSplitTheChosenRow) {
    TrackList list{T("Song", "00:00:000", "01:00:000"), T("Song", "01:00:000", "02:00:000")};
    SplitTrack(list, 1, 65432);
    EXPECT_EQ(list[0].Stop, "01:00:000");  // the first "Song" is untouched
    EXPECT_EQ(list[1].Name, "Song.A");
    EXPECT_EQ(list[1].Stop, "01:05:432");
    SplitTrack(list, 1, 62000);
    EXPECT_EQ(list[1].Name, "Song.A.A");
    EXPECT_EQ(list[2].Name, "Song.A.B");
    EXPECT_EQ(list.size(), 4u);
}

struct PointCase {
    uint32_t point;
    bool inside;
};
class SplitPoint : public ::testing::TestWithParam<PointCase> {};

TEST_P(SplitPoint, MustLieStrictlyInsideTheTrack) {
    EXPECT_EQ(SplitPointInside(T("X", "00:10:000", "00:20:000"), GetParam().point), GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(Bounds, SplitPoint,
                         ::testing::Values(PointCase{10000, false}, PointCase{10001, true}, PointCase{19999, true},
                                           PointCase{20000, false}, PointCase{5000, false}, PointCase{25000, false}));

TEST(Split, NinetyNineSecondsInTheFieldAdd) {
    EXPECT_EQ(MaskedTimeToMs("0099000"), 99000);
    EXPECT_TRUE(SplitPointInside(T("X", "01:00:000", "02:00:000"), uint32_t(MaskedTimeToMs("0099000"))));
}

TEST(Merge, JoinsTheUpperRowWithTheOneBelowAbsorbingTheGap) {
    TrackList list{T("Z", "00:00:000", "01:00:000"), T("A", "01:00:000", "01:58:000"), T("B", "02:00:000", "03:30:500"),
                   T("C", "03:30:500", "04:00:000")};
    list[2].Checked = 1;
    list[2].WaveSaved = 0;
    list[1].Title = "A/1";
    list[2].Title = "B/2";
    MergeTracks(list, 1);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].Name, "A");
    EXPECT_EQ(list[1].Title, "A/1");  // the title goes with the name
    EXPECT_EQ(list[1].Start, "01:00:000");
    EXPECT_EQ(list[1].Stop, "03:30:500");
    EXPECT_EQ(list[1].Duration, "02:30:500");
    EXPECT_EQ(list[1].Checked, 1);  // the lower record's flags stay
    EXPECT_EQ(list[1].WaveSaved, 0);
    EXPECT_EQ(list[2].Name, "C");
}

TEST(Merge, TheLastTwoRowsAndNothingPastTheEnd) {
    TrackList list{T("A", "00:00:000", "00:10:000"), T("B", "00:10:000", "00:20:000")};
    MergeTracks(list, 1);  // no row below: nothing happens
    EXPECT_EQ(list.size(), 2u);
    MergeTracks(list, 0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Stop, "00:20:000");
}

TEST(RowChoice, MergeNeedsANeighbouringPairButTakesTheFirstCheckedRow) {
    EXPECT_EQ(MergeUpperRow(Marks(6, {0, 3, 4})), 0u);
    EXPECT_EQ(MergeUpperRow(Marks(5, {3, 4})), 3u);
    EXPECT_EQ(MergeUpperRow(Marks(5, {0, 2, 4})), std::nullopt);
    EXPECT_EQ(MergeUpperRow(Marks(5, {}, {1, 2})), std::nullopt);  // selection is not a check
    EXPECT_EQ(MergeUpperRow({}), std::nullopt);
}

TEST(RowChoice, SplitTakesTheFirstRowCheckedOrSelected) {
    EXPECT_EQ(FirstCheckedOrSelected(Marks(6, {1, 4}, {0})), 0u);
    EXPECT_EQ(FirstCheckedOrSelected(Marks(6, {4}, {5})), 4u);
    EXPECT_EQ(FirstCheckedOrSelected(Marks(3, {})), std::nullopt);
}

TEST(RowChoice, PreviewPrefersASelectedRow) {
    EXPECT_EQ(FirstSelectedElseChecked(Marks(6, {1, 4}, {4})), 4u);
    EXPECT_EQ(FirstSelectedElseChecked(Marks(6, {2, 4})), 2u);
    EXPECT_EQ(FirstSelectedElseChecked(Marks(3, {})), std::nullopt);
}

struct RangeCase {
    const char* start;
    const char* stop;
    PreviewMode mode;
    int32_t seconds;
    uint32_t playFrom, playTo;
};
class Preview : public ::testing::TestWithParam<RangeCase> {};

TEST_P(Preview, PlaysTheRange) {
    const RangeCase& c = GetParam();
    const PreviewRange r = ComputePreviewRange(c.start, c.stop, c.mode, c.seconds);
    EXPECT_EQ(r.start, c.playFrom);
    EXPECT_EQ(r.stop, c.playTo);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, Preview,
    ::testing::Values(RangeCase{"02:00:000", "02:30:000", PreviewFromStart, 5, 120000, 150000},
                      RangeCase{"02:00:000", "02:30:000", PreviewEnd, 5, 145000, 150000},
                      RangeCase{"00:00:000", "00:03:000", PreviewEnd, 5, 0, 3000},       // stop not past 5 s
                      RangeCase{"01:00:000", "01:02:000", PreviewEnd, 5, 57000, 62000},  // starts before the track
                      RangeCase{"00:00:000", "00:05:000", PreviewEnd, 5, 0, 5000},       // not strictly past
                      RangeCase{"01:00:000", "01:30:000", PreviewEnd, 0, 90000, 90000}));

TEST(PlayerMessages, EveryCodeHasItsMessage) {
    const std::pair<uint32_t, int> table[] = {
        {0, 0},     {100, 101}, {101, 102}, {102, 103}, {103, 104}, {115, 104},       {116, 104}, {104, 92},
        {105, 106}, {106, 107}, {107, 108}, {108, 109}, {109, 110}, {110, 111},       {113, 112}, {114, 113},
        {117, 114}, {111, 100}, {112, 100}, {99, 100},  {118, 100}, {0xFFFFFFFF, 100}};
    for (const auto& [code, message] : table) {
        EXPECT_EQ(PlayerErrorToMessage(code), message) << code;
        if (message != 0) {
            EXPECT_FALSE(MessageText(message).empty()) << message;
        }
    }
}

}  // namespace
}  // namespace quillon::engine
