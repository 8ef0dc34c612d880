// Title lists as people type or export them: numbered or not, with comments,
// blank lines, Windows line ends, a byte-order mark and text in any script.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "app/ErrorCodes.h"
#include "editing/TextFile.h"
#include "editing/TitleList.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

TEST(TitleList, GivesTheTitles) {
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> titles;
    } cases[] = {
        {"side letters", "A1. Intro\nA2 Theme\nB1) Reprise\n", {"Intro", "Theme", "Reprise"}},
        {"numbers",
         "1. One\n2) Two\n03 - Three\n4\tFour\n05 \u2013 Five\n6.Six\n",
         {"One", "Two", "Three", "Four", "Five", "Six"}},
        {"not numberings",
         "1999\n1.5 Hours\nA Day\n2001 Odyssey\n7.\nB52s\n",
         {"1999", "1.5 Hours", "A Day", "2001 Odyssey", "7.", "B52s"}},
        {"blank lines and comments", "\n# side A\n  \nFirst\n\t\n  # a note\nSecond  \n", {"First", "Second"}},
        {"Windows and old Mac line ends", "01 One\r\n02 Two\r\n\r\nThree\rFour", {"One", "Two", "Three", "Four"}},
        {"UTF-8 with a byte-order mark",
         "\xEF\xBB\xBF"
         "1. \u00C9t\u00E9\n2. \u0417\u0430\u0440\u044F\n3. \u6708",
         {"\u00C9t\u00E9", "\u0417\u0430\u0440\u044F", "\u6708"}},
        {"Windows-1252", "1. Caf\xE9 \x93Noir\x94\n", {"Caf\u00E9 \u201CNoir\u201D"}},
        {"nothing but comments", "# none\n\n", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseTitleList(c.text), c.titles) << c.what;
}

TEST(TitleListFile, SaysWhyItGivesNoTitles) {
    const test::TempDir dir;
    const std::string empty = dir.Write("empty.txt", {'#', '\n'});
    const std::string missing = dir.path() + "/missing.txt";
    const std::string large = dir.Write("large.txt", test::Bytes(kMaxTextFileBytes + 1, 'x'));
    EXPECT_EQ(ReadTitleList(empty).Error, FormatText(text::kTitleListEmpty, {empty}));
    EXPECT_EQ(ReadTitleList(missing).Error, FormatText(text::kTextFileUnreadable, {missing, std::strerror(ENOENT)}));
    EXPECT_EQ(ReadTitleList(large).Error, FormatText(text::kTextFileTooLarge, {large}));
    const std::string good = dir.Write("good.txt", {'A', '1', ' ', 'X', '\n'});
    const TitleListRead read = ReadTitleList(good);
    EXPECT_EQ(read.Error, "");
    EXPECT_EQ(read.Titles, std::vector<std::string>{"X"});
}

}  // namespace
}  // namespace quillon::engine
