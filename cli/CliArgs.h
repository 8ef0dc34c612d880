#pragma once
// The command line of quillon-cli.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon::cli {

enum class OutputFormat { Tsv, Json, Cue, Svg };

// Track names from titles, for analyze and save alike.
struct NamingOptions {
    std::optional<std::string> namesFile;  // --names: a title list, or a CUE sheet by its .cue extension
    bool numberNames = false;              // --number-names: "01 Title"
    bool allowMismatch = false;            // --allow-mismatch: name what the titles reach when the counts differ
    std::optional<int32_t> firstNumber;    // --first-number: the first track's number, 1-999
};

struct AnalyzeOptions {
    std::optional<int32_t> amplitudePercent;  // overrides "SilenceAmplitude:"
    std::optional<int32_t> minSilenceMs;      // overrides "SilenceDuration:" (x 1000)
    std::optional<int32_t> expectedTracks;    // --count: thresholds chosen for this many tracks
                                              // (amplitudePercent, when given, is kept)
    bool closest = false;                     // --closest: with --count, list the closest when none give it
    bool wideFormats = false;                 // --wide-formats: opens the wide layouts, as "WideFormats:" does
    OutputFormat format = OutputFormat::Tsv;
    NamingOptions naming;
    std::string file;
};

// 1-based track numbers, inclusive ranges ("1,3-5" is {1,1},{3,5}).
using TrackRanges = std::vector<std::pair<int32_t, int32_t>>;

struct SaveOptions {
    std::optional<TrackRanges> tracks;  // all tracks when absent
    std::optional<std::string> outputFolder;
    enum class Type { Wave, Mp3, Flac } type = Type::Wave;
    std::optional<std::string> codec;  // MP3: "LAME Encoder" or "Windows ACM Default"
    std::optional<int32_t> bitRate;    // MP3: kbit/s
    std::optional<int32_t> flacLevel;  // FLAC: 0-8, overrides "CompressionLevel:"
    enum class Existing { Ask, Overwrite, Skip } existing = Existing::Ask;
    // The recording's details for the tags; each overrides a CUE sheet's.
    std::optional<std::string> artist, album, year, genre;
    bool tagMp3 = false;  // --tags: ID3v2.4 tags in MP3 files (FLAC files always carry theirs)
};

struct CliCommand {
    enum class Kind { Help, Version, Analyze, Save, Invalid } kind = Kind::Invalid;
    AnalyzeOptions analyze;  // also the file and thresholds of save
    SaveOptions save;
    std::string error;  // what was wrong, for Invalid
};

// "1,3-5" into ranges; nothing for empty pieces, 0, reversed ranges or other text.
[[nodiscard]] std::optional<TrackRanges> ParseTrackRanges(const std::string& text);

[[nodiscard]] CliCommand ParseCommandLine(const std::vector<std::string>& args);
[[nodiscard]] const char* UsageText();
// The one stderr line for bad arguments: what was wrong (line breaks in it
// made spaces), then where to look, ending in a line break.
[[nodiscard]] std::string UsageErrorLine(const std::string& what);

}  // namespace quillon::cli
