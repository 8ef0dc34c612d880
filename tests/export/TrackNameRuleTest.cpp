// A title made into a track name: what the save refuses in a name is replaced.
#include <gtest/gtest.h>

#include "export/TrackNameRule.h"

namespace quillon::engine {
namespace {

TEST(UsableTrackName, ReplacesWhatANameCannotHold) {
    const std::pair<const char*, const char*> cases[] = {
        {"AC/DC", "AC-DC"},
        {"Say \"when\"", "Say 'when'"},
        {"Two\r\nlines", "Two lines"},
        {"a\nb\rc\n\nd", "a b c  d"},
        {"\u00C9t\u00E9 / \u6708", "\u00C9t\u00E9 - \u6708"},
    };
    for (const auto& [title, name] : cases) {
        EXPECT_EQ(UsableTrackName(title), name) << title;
        EXPECT_TRUE(IsUsableTrackName(UsableTrackName(title))) << title;
    }
}

}  // namespace
}  // namespace quillon::engine
