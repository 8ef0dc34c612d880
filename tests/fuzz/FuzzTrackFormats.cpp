// libFuzzer target: names as the file system may hand them over, printed in
// every format of quillon-cli. The input is the recording's path, then each
// track's name, separated by NUL bytes (the one byte no file name holds).
// Every output is valid UTF-8 and parses as its format: JSON strictly, the
// SVG as XML, and TSV and CUE line by line with nothing stray inside a field.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <expat.h>

#include <nlohmann/json.hpp>

#include "analysis/TrackTimes.h"
#include "cli/OverviewSvg.h"
#include "cli/TrackFormats.h"

namespace {

using namespace quillon;

constexpr std::size_t kMaxTracks = 16;

void Require(bool ok, const char* what, const std::string& output) {
    if (ok) return;
    std::fprintf(stderr, "%s:\n%s\n", what, output.c_str());
    std::abort();
}

// Checked by libraries written apart from the code that makes the text, so
// that they do not share its faults.
bool IsValidUtf8(const std::string& text) {
    try {
        (void)nlohmann::json(text).dump();  // refuses invalid UTF-8
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

bool IsStrictJson(const std::string& text) { return nlohmann::json::accept(text); }

bool IsWellFormedXml(const std::string& text) {
    const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
    return parser && XML_Parse(parser.get(), text.data(), int(text.size()), 1) == XML_STATUS_OK;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1))
        lines.push_back(text.substr(0, end));
    return lines;
}

// One line per track, four fields, no CR anywhere.
void CheckTsv(const std::string& tsv, std::size_t tracks) {
    Require(IsValidUtf8(tsv), "TSV is not UTF-8", tsv);
    const auto lines = Lines(tsv);
    Require(lines.size() == tracks && (tsv.empty() || tsv.back() == '\n'), "TSV line count", tsv);
    Require(tsv.find('\r') == std::string::npos, "CR in TSV", tsv);
    for (std::string_view line : lines) Require(std::count(line.begin(), line.end(), '\t') == 3, "TSV fields", tsv);
}

// Title, file, then three lines per track, each the expected command with
// its one quoted field (if any) closed on the same line.
void CheckCue(const std::string& cue, std::size_t tracks) {
    Require(IsValidUtf8(cue), "CUE is not UTF-8", cue);
    const auto lines = Lines(cue);
    Require(lines.size() == 2 + 3 * tracks && cue.back() == '\n', "CUE line count", cue);
    Require(cue.find_first_of("\t\r") == std::string::npos, "tab or CR in CUE", cue);
    const auto quotes = [](std::string_view l) { return std::count(l.begin(), l.end(), '"'); };
    Require(lines[0].starts_with("TITLE \"") && lines[0].ends_with("\"") && quotes(lines[0]) == 2, "CUE title", cue);
    Require(lines[1].starts_with("FILE \"") && lines[1].ends_with("\" WAVE") && quotes(lines[1]) == 2, "CUE file", cue);
    for (std::size_t i = 0; i < tracks; ++i) {
        char track[32];
        std::snprintf(track, sizeof track, "  TRACK %02zu AUDIO", i + 1);
        const std::string_view title = lines[3 + 3 * i];
        Require(lines[2 + 3 * i] == track, "CUE track", cue);
        Require(title.starts_with("    TITLE \"") && title.ends_with("\"") && quotes(title) == 2, "CUE track title",
                cue);
        Require(lines[4 + 3 * i].starts_with("    INDEX 01 "), "CUE index", cue);
    }
}

cli::Analysis FromInput(std::string_view input) {
    cli::Analysis analysis;
    const std::size_t pathEnd = std::min(input.find('\0'), input.size());
    analysis.path = std::string(input.substr(0, pathEnd));
    input.remove_prefix(std::min(pathEnd + 1, input.size()));
    for (uint32_t i = 0; !input.empty() && i < kMaxTracks; ++i) {
        const std::size_t end = std::min(input.find('\0'), input.size());
        analysis.tracks.push_back({std::string(input.substr(0, end)), engine::FormatTime(i * 1000),
                                   engine::FormatTime((i + 1) * 1000), engine::FormatTime(1000)});
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    // Wide enough for short names to be drawn as text, not only as titles. No
    // levels: their thousand path segments would only slow each run.
    engine::LevelOverview& overview = analysis.report.Overview;
    overview.SamplesPerSec = 1000;
    overview.TotalFrames = 1000 * std::max<uint64_t>(analysis.tracks.size(), 1);
    return analysis;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const cli::Analysis analysis = FromInput(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckTsv(cli::FormatTsv(analysis.tracks), analysis.tracks.size());
    CheckCue(cli::FormatCue(analysis.tracks, analysis.path), analysis.tracks.size());
    const std::string json = cli::FormatJson(analysis, cli::WaveFacts{});
    Require(IsStrictJson(json), "JSON does not parse", json);
    const std::string svg = cli::FormatSvg(analysis);
    Require(IsWellFormedXml(svg), "SVG is not well-formed XML", svg);
    return 0;
}
