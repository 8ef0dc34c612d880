#include <gtest/gtest.h>

#include "cli/TextEscape.h"

namespace quillon::test {
namespace {

using cli::NextUtf8;

TEST(TextEscape, NextUtf8TakesWellFormedSequencesOnly) {
    const struct {
        const char* what;
        std::string text;
        char32_t code;
        std::size_t length;
    } cases[] = {
        {"ASCII", "a\xFF", 'a', 1},
        {"two bytes", "\xC3\xA9", 0xE9, 2},
        {"three bytes", "\xE2\x82\xAC", 0x20AC, 3},
        {"four bytes", "\xF0\x9F\x8E\xB5", 0x1F3B5, 4},
        {"U+FFFF is well-formed", "\xEF\xBF\xBF", 0xFFFF, 3},
        {"lone continuation", "\x80", 0xFFFD, 1},
        {"overlong", "\xC0\x80", 0xFFFD, 1},
        {"overlong three", "\xE0\x9F\xBF", 0xFFFD, 1},
        {"surrogate", "\xED\xA0\x80", 0xFFFD, 1},
        {"past U+10FFFF", "\xF4\x90\x80\x80", 0xFFFD, 1},
        {"cut off", "\xE2\x82", 0xFFFD, 1},
        {"broken by ASCII", "\xE2\x28\xA1", 0xFFFD, 1},
    };
    for (const auto& c : cases) {
        const cli::Utf8Char got = NextUtf8(c.text);
        EXPECT_EQ(got.code, c.code) << c.what;
        EXPECT_EQ(got.length, c.length) << c.what;
    }
}

TEST(TextEscape, EachInvalidByteIsOneReplacement) {
    EXPECT_EQ(cli::ValidUtf8("\xF0\x9F\x8E\xB5"
                             "a\xE2\x82"
                             "b\xFF"),
              "\xF0\x9F\x8E\xB5"
              "a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quillon::test
