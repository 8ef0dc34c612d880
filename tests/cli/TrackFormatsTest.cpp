#include <gtest/gtest.h>

#include "cli/OverviewSvg.h"
#include "cli/TrackFormats.h"

namespace quillon::test {
namespace {

using namespace cli;

// A name as the file system may hand it over, and how each format writes it.
struct HostileName {
    const char* what;
    std::string name, tsv, json, cue, svg;
};

const std::string kFffd = "\xEF\xBF\xBD";

const HostileName kNames[] = {
    {"invalid byte",
     "a\xFF"
     "b",
     "a" + kFffd + "b", "a" + kFffd + "b", "a" + kFffd + "b", "a" + kFffd + "b"},
    {"line break", "x\n TRACK 99 AUDIO", "x  TRACK 99 AUDIO", "x\\n TRACK 99 AUDIO", "x  TRACK 99 AUDIO",
     "x\n TRACK 99 AUDIO"},
    {"CR LF and CR", "a\r\nb\rc", "a b c", "a\\r\\nb\\rc", "a b c", "a\r\nb\rc"},
    {"tab", "a\tb", "a b", "a\\tb", "a b", "a\tb"},
    {"control",
     "a\x01"
     "b",
     "a\x01"
     "b",
     "a\\u0001b",
     "a\x01"
     "b",
     "a" + kFffd + "b"},
    {"quotes, U+FFFF", "\xC3\xA9\"'\xEF\xBF\xBF", "\xC3\xA9\"'\xEF\xBF\xBF", "\xC3\xA9\\\"'\xEF\xBF\xBF",
     "\xC3\xA9''\xEF\xBF\xBF", "\xC3\xA9&quot;&apos;" + kFffd},
};

Analysis OneTrack(const std::string& name) {
    Analysis a;
    a.path = "/music/r.wav";
    a.tracks.push_back({name, "00:00:000", "00:01:000", "00:01:000"});
    a.tracks.back().Title = name;  // a title list hands over whatever its lines hold
    return a;
}

TEST(TrackFormats, AnyNameKeepsEachFormatValid) {
    for (const HostileName& n : kNames) {
        SCOPED_TRACE(n.what);
        const Analysis a = OneTrack(n.name);
        EXPECT_EQ(FormatTsv(a.tracks), n.tsv + "\t00:00:000\t00:01:000\t00:01:000\n");
        EXPECT_EQ(FormatCue(a.tracks, a.path), "TITLE \"r\"\nFILE \"r.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"" +
                                                   n.cue + "\"\n    INDEX 01 00:00:00\n");
        const std::string json = FormatJson(a, WaveFacts{});
        EXPECT_NE(json.find("{\"name\": \"" + n.json + "\", \"start\""), std::string::npos) << json;
        EXPECT_NE(json.find(", \"title\": \"" + n.json + "\"}"), std::string::npos) << json;
        const std::string svg = FormatSvg(a);
        EXPECT_NE(svg.find("<title>" + n.svg + "</title>"), std::string::npos) << svg;
    }
}

}  // namespace
}  // namespace quillon::test
