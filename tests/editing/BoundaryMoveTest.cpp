// Moving the cut between two tracks: where it may go, and what it changes.
#include <gtest/gtest.h>

#include "analysis/TrackTimes.h"
#include "editing/BoundaryMove.h"

namespace quillon::engine {
namespace {

TRACK_INFO_STRUCT Saved(const std::string& name, uint32_t startMs, uint32_t stopMs) {
    return {name, FormatTime(startMs), FormatTime(stopMs), FormatTime(stopMs - startMs), 1, 1, "t" + name};
}

// A, then a 2 s gap, then B and C touching.
const TrackList kList{Saved("A", 0, 10000), Saved("B", 12000, 20000), Saved("C", 20000, 30000)};

struct MoveCase {
    const char* what;
    std::size_t b;
    uint32_t request;
    std::optional<std::pair<uint32_t, uint32_t>> range;
    bool changes;
    uint32_t upperStop, lowerStart;  // when it changes
};

TEST(MoveBoundary, ClampsToOneMillisecondEachSideAndMarksBothTracksUnsaved) {
    const MoveCase cases[] = {
        {"later, the gap kept", 1, 15000, std::pair{2001u, 19999u}, true, 13000, 15000},
        {"earlier than allowed", 1, 0, std::pair{2001u, 19999u}, true, 1, 2001},
        {"later than allowed", 1, 99999, std::pair{2001u, 19999u}, true, 17999, 19999},
        {"where it is", 1, 12000, std::pair{2001u, 19999u}, false, 0, 0},
        {"touching tracks", 2, 20500, std::pair{12001u, 29999u}, true, 20500, 20500},
        {"before the first track", 0, 5000, std::nullopt, false, 0, 0},
        {"past the last track", 3, 5000, std::nullopt, false, 0, 0},
    };
    for (const MoveCase& c : cases) {
        TrackList list = kList;
        EXPECT_EQ(BoundaryRange(list, c.b), c.range) << c.what;
        EXPECT_EQ(MoveBoundary(list, c.b, c.request), c.changes) << c.what;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const bool moved = c.changes && (i == c.b - 1 || i == c.b);
            const TRACK_INFO_STRUCT& t = list[i];
            EXPECT_EQ(t.Name, kList[i].Name) << c.what;
            EXPECT_EQ(t.Title, kList[i].Title) << c.what;
            EXPECT_EQ(t.Checked, 1) << c.what;
            EXPECT_EQ(t.WaveSaved, moved ? 0 : 1) << c.what << ", track " << i;
            EXPECT_EQ(t.Outdated, moved ? kAllOutdated : 0) << c.what << ", track " << i;
            EXPECT_EQ(t.Duration, FormatTime(uint32_t(TimeTextToMs(t.Stop) - TimeTextToMs(t.Start)))) << c.what;
            if (moved) continue;
            EXPECT_EQ(t.Start, kList[i].Start) << c.what << ", track " << i;
            EXPECT_EQ(t.Stop, kList[i].Stop) << c.what << ", track " << i;
        }
        if (!c.changes) continue;
        EXPECT_EQ(list[c.b - 1].Stop, FormatTime(c.upperStop)) << c.what;
        EXPECT_EQ(BoundaryMs(list, c.b), c.lowerStart) << c.what;
        EXPECT_EQ(list[c.b - 1].Start, kList[c.b - 1].Start) << c.what;
        EXPECT_EQ(list[c.b].Stop, kList[c.b].Stop) << c.what;
    }
}

}  // namespace
}  // namespace quillon::engine
