#include "cli/TrackFormats.h"

#include <cstdio>

#include "analysis/TrackTimes.h"
#include "app/Util.h"
#include "cli/TextEscape.h"

namespace quillon::cli {

using namespace engine;

namespace {

// Valid UTF-8 passes as it is; control characters, the quote and the
// backslash are escaped, each invalid byte is U+FFFD.
std::string JsonString(std::string_view s) {
    std::string out = "\"";
    while (!s.empty()) {
        const Utf8Char c = NextUtf8(s);
        s.remove_prefix(c.length);
        switch (c.code) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c.code < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c.code));
                out += buf;
            } else {
                AppendUtf8(out, c.code);
            }
        }
    }
    return out + "\"";
}

// CUE sheets have no escape for a double quote inside a quoted field, and a
// line break would end the command: a name could add tracks of its own.
std::string CueString(const std::string& s) {
    std::string out = OneLine(s);
    for (char& c : out)
        if (c == '"') c = '\'';
    return "\"" + out + "\"";
}

}  // namespace

std::string FormatTsv(const TrackList& tracks) {
    std::string out;
    for (const auto& t : tracks) out += OneLine(t.Name) + "\t" + t.Start + "\t" + t.Stop + "\t" + t.Duration + "\n";
    return out;
}

namespace {

std::string JsonNothingFound(const NothingFound& n) {
    return "  \"nothingFound\": {\"longestMs\": " + std::to_string(n.LongestMs) +
           ", \"longestStart\": " + JsonString(FormatTime(n.LongestStartMs)) +
           ", \"foundAtPercent\": " + (n.FoundAtPercent ? std::to_string(*n.FoundAtPercent) : std::string("null")) +
           ", \"foundLongestMs\": " + std::to_string(n.FoundLongestMs) +
           ", \"text\": " + JsonString(DescribeNothingFound(n)) + "},\n";
}

// The tags of the fmt chunk (an extensible block's sub-format tag, else
// null), the bits that carry a sample, and whether samples are floating point.
std::string JsonSampleFormat(const WaveFacts& facts) {
    const StoredFormat& s = facts.stored;
    return "  \"formatTag\": " + std::to_string(s.formatTag) + ",\n" +
           "  \"subFormatTag\": " + (s.subFormatTag ? std::to_string(s.subFormatTag) : std::string("null")) + ",\n" +
           "  \"validBitsPerSample\": " + std::to_string(s.validBits) + ",\n" +
           "  \"floatingPoint\": " + (IsFloatKind(facts.kind) ? "true" : "false") + ",\n";
}

}  // namespace

std::string FormatJson(const Analysis& analysis, const WaveFacts& facts) {
    const TrackList& tracks = analysis.tracks;
    std::string out = "{\n";
    out += "  \"file\": " + JsonString(analysis.path) + ",\n";
    out += "  \"samplesPerSecond\": " + std::to_string(facts.samplesPerSec) + ",\n";
    out += "  \"bitsPerSample\": " + std::to_string(facts.bitsPerSample) + ",\n";
    out += "  \"channels\": " + std::to_string(facts.channels) + ",\n";
    out += JsonSampleFormat(facts);
    out += "  \"durationMs\": " + std::to_string(facts.durationMs) + ",\n";
    out += "  \"duration\": " + JsonString(FormatTime(facts.durationMs)) + ",\n";
    out += "  \"silenceAmplitude\": " + std::to_string(analysis.amplitudePercent) + ",\n";
    out += "  \"silenceDurationMs\": " + std::to_string(analysis.minSilenceMs) + ",\n";
    char resolution[32];
    std::snprintf(resolution, sizeof resolution, "%g", analysis.report.Overview.ColumnMs());
    out += std::string("  \"overviewResolutionMs\": ") + resolution + ",\n";
    if (analysis.report.Nothing) out += JsonNothingFound(*analysis.report.Nothing);
    out += "  \"tracks\": [";
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const auto& t = tracks[i];
        out += i ? ",\n" : "\n";
        out += "    {\"name\": " + JsonString(t.Name) + ", \"start\": " + JsonString(t.Start) +
               ", \"stop\": " + JsonString(t.Stop) + ", \"duration\": " + JsonString(t.Duration) +
               ", \"title\": " + (t.Title.empty() ? std::string("null") : JsonString(t.Title)) + "}";
    }
    out += tracks.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

std::string CueTime(uint32_t ms) {
    const uint64_t frames = (uint64_t(ms) * 75 + 500) / 1000;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02llu:%02llu:%02llu", (unsigned long long)(frames / 4500),
                  (unsigned long long)(frames / 75 % 60), (unsigned long long)(frames % 75));
    return buf;
}

std::string FormatCue(const TrackList& tracks, const std::string& path) {
    std::string out = "TITLE " + CueString(RemoveExtension(ExtractFileName(path))) + "\n";
    out += "FILE " + CueString(ExtractFileName(path)) + " WAVE\n";
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        out += "  TRACK " + IntToPadded(int64_t(i + 1), 2) + " AUDIO\n";
        out += "    TITLE " + CueString(tracks[i].Title.empty() ? tracks[i].Name : tracks[i].Title) + "\n";
        out += "    INDEX 01 " + CueTime(uint32_t(TimeTextToMs(tracks[i].Start))) + "\n";
    }
    return out;
}

}  // namespace quillon::cli
