// Undo and redo of list edits, and the saved flags a restored list gets.
#include <gtest/gtest.h>

#include <functional>

#include "analysis/TrackTimes.h"
#include "editing/BoundaryMove.h"
#include "editing/EditHistory.h"
#include "editing/TrackEdits.h"

namespace quillon::engine {
namespace {

TRACK_INFO_STRUCT Saved(const std::string& name, uint32_t startS, uint32_t stopS, uint8_t outdated = 0) {
    TRACK_INFO_STRUCT t{
        name,      FormatTime(startS * 1000), FormatTime(stopS * 1000), FormatTime((stopS - startS) * 1000), 1, 1,
        "t" + name};
    t.Outdated = outdated;
    return t;
}

// Four saved, checked tracks of 10 s.
TrackList Four() { return {Saved("A", 0, 10), Saved("B", 10, 20), Saved("C", 20, 30), Saved("D", 30, 40)}; }

// want with the WaveSaved of each track given as '1' or '0'; an unsaved one has every Outdated bit.
void ExpectList(const TrackList& got, const TrackList& want, const std::string& saved, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    ASSERT_EQ(saved.size(), want.size()) << what;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Name, want[i].Name) << what << ", track " << i;
        EXPECT_EQ(got[i].Start + got[i].Stop + got[i].Duration, want[i].Start + want[i].Stop + want[i].Duration)
            << what << ", track " << i;
        EXPECT_EQ(got[i].Title, want[i].Title) << what << ", track " << i;
        EXPECT_EQ(got[i].Checked, want[i].Checked) << what << ", track " << i;
        EXPECT_EQ(got[i].WaveSaved, saved[i] == '1' ? 1 : 0) << what << ", track " << i;
        EXPECT_EQ(got[i].Outdated, saved[i] == '1' ? 0 : kAllOutdated) << what << ", track " << i;
    }
}

struct EditCase {
    const char* action;
    std::function<void(TrackList&)> edit;
    const char* savedAfterUndo;  // a track whose range or name the edit changed is saved no more
    const char* savedAfterRedo;
};

TEST(EditHistory, UndoGivesTheListBeforeAndRedoTheListAfterWithoutSavedFlagsComingBack) {
    const EditCase cases[] = {
        {"Split", [](TrackList& l) { SplitTrack(l, 1, 15000); }, "1011", "10011"},
        {"Merge", [](TrackList& l) { MergeTracks(l, 1); }, "1001", "101"},
        {"Rename", [](TrackList& l) { l[2].Name = std::string("Z"); }, "1101", "1101"},
        {"Move boundary", [](TrackList& l) { MoveBoundary(l, 2, 25000); }, "1001", "1001"},
        {"Replace",
         [](TrackList& l) {
             l = {Saved("A", 0, 10), Saved("Q", 10, 40)};
         },
         "1000", "10"},
    };
    for (const EditCase& c : cases) {
        EditHistory history;
        TrackList list = Four();
        history.Record(c.action, list);
        c.edit(list);
        const TrackList after = list;
        EXPECT_EQ(history.UndoAction(), c.action);
        ASSERT_TRUE(history.Undo(list)) << c.action;
        ExpectList(list, Four(), c.savedAfterUndo, std::string(c.action) + ", undone");
        EXPECT_EQ(history.UndoAction(), "");
        EXPECT_EQ(history.RedoAction(), c.action);
        EXPECT_FALSE(history.Undo(list)) << c.action;
        ASSERT_TRUE(history.Redo(list)) << c.action;
        ExpectList(list, after, c.savedAfterRedo, std::string(c.action) + ", redone");
        EXPECT_FALSE(history.CanRedo()) << c.action;
    }
}

TEST(EditHistory, AKeyedRunIsOneStepUntilAnotherKeyOrAnUndo) {
    const struct {
        std::vector<std::string> ops;  // a key records a nudge, "u" undoes, "r" redoes
        int steps;                     // left to undo
    } cases[] = {
        {{"k", "k", "k"}, 1},      {{"k", "j", "k"}, 3},           {{"", "", ""}, 3},
        {{"k", "u", "r", "k"}, 2}, {{"k", "k", "j", "u", "k"}, 2},
    };
    for (const auto& c : cases) {
        EditHistory history;
        TrackList list = Four();
        for (const std::string& op : c.ops) {
            if (op == "u") (void)history.Undo(list);
            else if (op == "r") (void)history.Redo(list);
            else {
                history.Record("Nudge", list, op);
                MoveBoundary(list, 1, BoundaryMs(list, 1) + 1);
            }
        }
        int steps = 0;
        while (history.Undo(list)) ++steps;
        EXPECT_EQ(steps, c.steps) << ::testing::PrintToString(c.ops);
    }
}

TEST(EditHistory, KeepsTheNewestStepsAndARecordForgetsTheRedoSide) {
    EditHistory history;
    TrackList list{Saved("0", 0, 10)};
    for (std::size_t i = 1; i <= EditHistory::kDepth + 5; ++i) {
        history.Record("Rename", list);
        list[0].Name = std::to_string(i);
    }
    std::size_t steps = 0;
    while (history.Undo(list)) ++steps;
    EXPECT_EQ(steps, EditHistory::kDepth);
    EXPECT_EQ(list[0].Name, "5");
    history.Record("Rename", list);
    EXPECT_FALSE(history.CanRedo());
    history.Clear();
    EXPECT_FALSE(history.CanUndo());
}

TEST(CarryFileFlags, ATwinOfTheSameNameAndRangeGivesItsFlagsAndNoTwinMeansUnsaved) {
    TrackList restored{Saved("A", 0, 10), Saved("B", 10, 20), Saved("B", 20, 30), Saved("C", 30, 40)};
    TrackList current{Saved("C", 30, 40, OutdatedMp3), Saved("A", 0, 11), Saved("B", 20, 30, OutdatedFlac)};
    current[0].WaveSaved = 0;
    CarryFileFlags(restored, current);
    const std::pair<uint8_t, uint8_t> want[] = {
        {0, kAllOutdated}, {0, kAllOutdated}, {1, OutdatedFlac}, {0, OutdatedMp3}};
    for (std::size_t i = 0; i < restored.size(); ++i) {
        EXPECT_EQ(restored[i].WaveSaved, want[i].first) << i;
        EXPECT_EQ(restored[i].Outdated, want[i].second) << i;
    }
}

}  // namespace
}  // namespace quillon::engine
