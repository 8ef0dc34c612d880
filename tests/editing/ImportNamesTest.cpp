// Titles onto the rows: the plan the user confirms when the counts differ,
// the names made from titles, and the sheet's album details.
#include <gtest/gtest.h>

#include "editing/ImportNames.h"

namespace quillon::engine {
namespace {

struct PlanCase {
    std::size_t titles, rows, named;
    const char* summary;
};

TEST(ImportPlan, SaysWhichRowsGetWhichTitles) {
    const PlanCase cases[] = {
        {4, 4, 4, "4 titles for 4 tracks: each track gets its title."},
        {3, 4, 3, "3 titles for 4 tracks: tracks 1-3 get titles; track 4 keeps its name."},
        {1, 3, 1, "1 title for 3 tracks: track 1 gets a title; tracks 2-3 keep their names."},
        {5, 3, 3, "5 titles for 3 tracks: tracks 1-3 get titles; titles 4-5 are left out."},
        {2, 1, 1, "2 titles for 1 track: track 1 gets a title; title 2 is left out."},
        {2, 0, 0, "2 titles for no tracks: there is nothing to name."},
    };
    for (const PlanCase& c : cases) {
        const ImportPlan plan = PlanImport(c.titles, c.rows);
        EXPECT_EQ(plan.Named, c.named) << c.summary;
        EXPECT_EQ(plan.CountsDiffer, c.titles != c.rows) << c.summary;
        EXPECT_EQ(plan.Summary, c.summary);
    }
}

TRACK_INFO_STRUCT Row(std::string name) { return {std::move(name), "00:00:000", "00:01:000", "00:01:000", 1, 0}; }

TEST(ImportTitles, NamesTheRowsInOrderAndKeepsEachTitleForTheTags) {
    TrackList tracks{Row("recording.0001"), Row("recording.0002"), Row("recording.0003"), Row("recording.0004")};
    ApplyTitles(tracks, {"AC/DC", "Say \"when\"", ".."}, {});
    EXPECT_EQ(tracks[0].Name, "AC-DC");
    EXPECT_EQ(tracks[0].Title, "AC/DC");
    EXPECT_EQ(tracks[1].Name, "Say 'when'");
    EXPECT_EQ(tracks[1].Title, "Say \"when\"");
    EXPECT_EQ(tracks[2].Name, "recording.0003") << "no file can be named ..";
    EXPECT_EQ(tracks[2].Title, "..");
    EXPECT_EQ(tracks[3].Name, "recording.0004");
    EXPECT_EQ(tracks[3].Title, "");
}

TEST(ImportTitles, NumbersTheNamesWithAsManyDigitsAsTheLastNumberNeeds) {
    const struct {
        std::size_t row, rows;
        uint32_t first;
        const char* name;
    } cases[] = {{0, 12, 1, "01 Song"},
                 {11, 12, 1, "12 Song"},
                 {4, 100, 1, "005 Song"},
                 {0, 3, 98, "098 Song"},
                 {2, 3, 7, "09 Song"}};
    for (const auto& c : cases) {
        EXPECT_EQ(NameFromTitle("Song", c.row, c.rows, {true, c.first}), c.name);
        EXPECT_EQ(NameFromTitle("Song", c.row, c.rows, {false, c.first}), "Song");
    }
}

TEST(ImportTitles, TheSheetFillsTheDetailsItHas) {
    CueSheet sheet;
    sheet.Title = "Live";
    sheet.Date = "1977";
    sheet.Tracks = {{"A", "Ann", {}}, {"B", "Ann", {}}};
    RecordingDetails details{"Typed", "Side A", "", "Jazz", 3};
    ApplySheetDetails(sheet, details);
    EXPECT_EQ(details.Artist, "Ann") << "every track's performer";
    EXPECT_EQ(details.Album, "Live");
    EXPECT_EQ(details.Year, "1977");
    EXPECT_EQ(details.Genre, "Jazz");
    sheet.Tracks[1].Performer = "Bob";
    details.Artist = "Typed";
    ApplySheetDetails(sheet, details);
    EXPECT_EQ(details.Artist, "Typed");
}

}  // namespace
}  // namespace quillon::engine
