// CUE sheets through libcue: the album's and tracks' text, and the track
// starts, checked against cuebreakpoints' reading of the same sheet.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/ErrorCodes.h"
#include "editing/CueSheet.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

test::Bytes Bytes(const std::string& text) { return test::Bytes(text.begin(), text.end()); }

// Windows line ends, a pregap (INDEX 00) before track 2, UTF-8 text, quotes
// inside a title.
const std::string kSheet =
    "REM GENRE \"Progressive Rock\"\r\n"
    "REM DATE 1977\r\n"
    "PERFORMER \"The Band\"\r\n"
    "TITLE \"Live \u00DCber Alles\"\r\n"
    "FILE \"Side A.wav\" WAVE\r\n"
    "  TRACK 01 AUDIO\r\n"
    "    TITLE \"Intro\"\r\n"
    "    PERFORMER \"Guest\"\r\n"
    "    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n"
    "    TITLE \"Either/Or \\\"Live\\\"\"\r\n"
    "    INDEX 00 03:10:20\r\n"
    "    INDEX 01 03:12:37\r\n"
    "  TRACK 03 AUDIO\r\n"
    "    TITLE \"\u0417\u0430\u0440\u044F\"\r\n"
    "    INDEX 01 07:01:74\r\n";

// cuebreakpoints' breakpoints (m:ss.ff, CUE frames) in milliseconds.
std::vector<uint32_t> Breakpoints(const std::string& path) {
    const std::string out = path + ".breaks";
    EXPECT_EQ(std::system(("cuebreakpoints '" + path + "' > '" + out + "' 2>/dev/null").c_str()), 0);
    std::ifstream in(out);
    std::vector<uint32_t> ms;
    unsigned minutes = 0, seconds = 0, frames = 0;
    char colon = 0, dot = 0;
    while (in >> minutes >> colon >> seconds >> dot >> frames) {
        ms.push_back(CueFramesToMs((uint64_t(minutes) * 60 + seconds) * kCueFramesPerSecond + frames));
    }
    return ms;
}

TEST(CueSheet, ReadsTheTextAndTheStartsAsCuebreakpointsDoes) {
    if (std::system("command -v cuebreakpoints >/dev/null 2>&1") != 0) GTEST_SKIP() << "cuebreakpoints is missing";
    const test::TempDir dir;
    const std::string path = dir.Write("album.cue", Bytes(kSheet));
    const CueSheet sheet = ReadCueSheet(path);
    ASSERT_EQ(sheet.Error, "");
    EXPECT_EQ(sheet.Title, "Live \u00DCber Alles");
    EXPECT_EQ(sheet.Performer, "The Band");
    EXPECT_EQ(sheet.Date, "1977");
    EXPECT_EQ(sheet.Genre, "Progressive Rock");
    ASSERT_EQ(sheet.Tracks.size(), 3u);
    EXPECT_EQ(CueTitles(sheet), (std::vector<std::string>{"Intro", "Either/Or \"Live\"", "\u0417\u0430\u0440\u044F"}));
    EXPECT_EQ(sheet.Tracks[0].Performer, "Guest");
    EXPECT_EQ(sheet.Tracks[1].Performer, "");
    EXPECT_EQ(sheet.Tracks[0].StartMs, 0u);
    EXPECT_EQ(sheet.Tracks[1].StartMs, 192493u);  // 3:12 and 37/75 s
    const std::vector<uint32_t> ours{*sheet.Tracks[1].StartMs, *sheet.Tracks[2].StartMs};
    EXPECT_EQ(Breakpoints(path), ours);
}

TEST(CueSheet, ARefusedSheetSaysSo) {
    for (const char* text : {"this is not a cue sheet\n", "", "TITLE \"An album without tracks\"\n"}) {
        const CueSheet sheet = ParseCueSheet(text, "x.cue");
        EXPECT_EQ(sheet.Error, FormatText(text::kCueSheetRefused, {"x.cue"})) << text;
        EXPECT_TRUE(sheet.Tracks.empty()) << text;
    }
}

}  // namespace
}  // namespace quillon::engine
