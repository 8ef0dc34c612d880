#include "cli/CliArgs.h"

#include <algorithm>
#include <charconv>

#include "cli/TextEscape.h"
#include "settings/Settings.h"

namespace quillon::cli {
namespace {

std::optional<int32_t> ParseInteger(const std::string& text) {
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    int32_t v = 0;
    const auto [stop, ec] = std::from_chars(begin, end, v);
    if (begin == end || ec != std::errc() || stop != end) return std::nullopt;
    return v;
}

// Takes the value of option name, written "--name=value" or "--name value".
// False when args[i] is another argument; value stays empty when none follows.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::optional<std::string>* value) {
    const std::string& arg = args[i];
    if (arg.rfind(name + "=", 0) == 0) {
        *value = arg.substr(name.size() + 1);
        return true;
    }
    if (arg != name) return false;
    if (i + 1 < args.size()) *value = args[++i];
    return true;
}

bool InRange(const std::optional<int32_t>& n, int32_t low, int32_t high) { return n && *n >= low && *n <= high; }

CliCommand Invalid(std::string why) {
    CliCommand c;
    c.kind = CliCommand::Kind::Invalid;
    c.error = std::move(why);
    return c;
}

// The recording's details for the tags: each takes text, which cannot be empty.
bool ParseDetailOption(const std::vector<std::string>& args, std::size_t& i, SaveOptions& save, std::string& error) {
    const struct {
        const char* name;
        std::optional<std::string> SaveOptions::*field;
        const char* needs;
    } details[] = {{"--artist", &SaveOptions::artist, "an artist"},
                   {"--album", &SaveOptions::album, "an album title"},
                   {"--year", &SaveOptions::year, "a year or date such as 1977"},
                   {"--genre", &SaveOptions::genre, "a genre"}};
    for (const auto& d : details) {
        std::optional<std::string> v;
        if (!TakeValue(args, i, d.name, &v)) continue;
        if (!v || v->empty()) error = std::string(d.name) + " needs " + d.needs;
        else save.*d.field = *v;
        return true;
    }
    if (args[i] != "--tags") return false;
    save.tagMp3 = true;
    return true;
}

// The options of naming tracks from titles. True when args[i] was one of them; error set when it was wrong.
bool ParseNamingOption(const std::vector<std::string>& args, std::size_t& i, NamingOptions& naming,
                       std::string& error) {
    std::optional<std::string> v;
    if (TakeValue(args, i, "--names", &v)) {
        if (!v || v->empty()) error = "--names needs a title list or a CUE sheet";
        else naming.namesFile = *v;
    } else if (TakeValue(args, i, "--first-number", &v)) {
        naming.firstNumber = v ? ParseInteger(*v) : std::nullopt;
        if (!InRange(naming.firstNumber, 1, 999)) error = "--first-number needs a track number from 1 to 999";
    } else if (args[i] == "--number-names") {
        naming.numberNames = true;
    } else if (args[i] == "--allow-mismatch") {
        naming.allowMismatch = true;
    } else {
        return false;
    }
    return true;
}

// The options only save takes. True when args[i] was one of them; error set when it was wrong.
bool ParseSaveOption(const std::vector<std::string>& args, std::size_t& i, SaveOptions& save, std::string& error) {
    std::optional<std::string> v;
    const std::string arg = args[i];
    if (TakeValue(args, i, "--tracks", &v)) {
        save.tracks = v ? ParseTrackRanges(*v) : std::nullopt;
        if (!save.tracks) error = "--tracks needs track numbers and ranges such as 1,3-5";
    } else if (TakeValue(args, i, "--output", &v)) {
        if (!v || v->empty()) error = "--output needs a folder";
        else save.outputFolder = *v;
    } else if (TakeValue(args, i, "--type", &v)) {
        if (v == "wave") save.type = SaveOptions::Type::Wave;
        else if (v == "mp3") save.type = SaveOptions::Type::Mp3;
        else if (v == "flac") save.type = SaveOptions::Type::Flac;
        else error = "--type is one of wave, mp3, flac";
    } else if (TakeValue(args, i, "--codec", &v)) {
        if (!v || v->empty()) error = "--codec needs a codec name";
        else save.codec = *v;
    } else if (TakeValue(args, i, "--bitrate", &v)) {
        save.bitRate = v ? ParseInteger(*v) : std::nullopt;
        if (!save.bitRate || *save.bitRate <= 0) error = "--bitrate needs kbit/s";
    } else if (TakeValue(args, i, "--flac-level", &v)) {
        save.flacLevel = v ? ParseInteger(*v) : std::nullopt;
        if (!InRange(save.flacLevel, 0, engine::keys::kFlacLevelMax))
            error = "--flac-level needs a compression level from 0 to 8";
    } else if (arg == "--yes" || arg == "--no-clobber") {
        const auto want = arg == "--yes" ? SaveOptions::Existing::Overwrite : SaveOptions::Existing::Skip;
        if (save.existing != SaveOptions::Existing::Ask && save.existing != want)
            error = "give either --yes or --no-clobber";
        save.existing = want;
    } else if (!ParseDetailOption(args, i, save, error)) {
        return false;
    }
    return true;
}

// An option of the other command is named as such: the user only typed it in the wrong place.
std::string UnknownOption(const std::string& arg, bool save) {
    static const std::vector<std::string> analyzeOnly = {"--format", "--closest"};
    static const std::vector<std::string> saveOnly = {
        "--tracks",     "--output", "--type",  "--codec", "--bitrate", "--flac-level", "--yes",
        "--no-clobber", "--artist", "--album", "--year",  "--genre",   "--tags"};
    const std::string name = arg.substr(0, arg.find('='));
    const auto& other = save ? analyzeOnly : saveOnly;
    if (std::find(other.begin(), other.end(), name) != other.end())
        return name + " goes with " + (save ? "analyze" : "save") + ", not " + (save ? "save" : "analyze");
    return "unknown option " + arg;
}

// The naming options that need another one.
CliCommand CheckNaming(const CliCommand& c) {
    const NamingOptions& naming = c.analyze.naming;
    if (naming.numberNames && !naming.namesFile) return Invalid("--number-names goes with --names");
    if (naming.allowMismatch && !naming.namesFile) return Invalid("--allow-mismatch goes with --names");
    // save also numbers the tags from it; analyze only shows it in numbered names.
    if (c.kind == CliCommand::Kind::Analyze && naming.firstNumber && !naming.numberNames)
        return Invalid("--first-number goes with --number-names");
    return c;
}

CliCommand ParseAnalyze(const std::vector<std::string>& args, bool save) {
    CliCommand c;
    c.kind = save ? CliCommand::Kind::Save : CliCommand::Kind::Analyze;
    bool haveFile = false;
    bool haveDuration = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::optional<std::string> v;
        const std::string arg = args[i];
        if (arg == "--help" || arg == "-h") return CliCommand{CliCommand::Kind::Help, {}, {}, {}};
        std::string error;
        if ((save && ParseSaveOption(args, i, c.save, error)) || ParseNamingOption(args, i, c.analyze.naming, error)) {
            if (!error.empty()) return Invalid(error);
        } else if (TakeValue(args, i, "--amplitude", &v)) {
            c.analyze.amplitudePercent = v ? ParseInteger(*v) : std::nullopt;
            if (!InRange(c.analyze.amplitudePercent, 1, 100))
                return Invalid("--amplitude needs a percentage from 1 to 100");
        } else if (TakeValue(args, i, "--duration", &v) || TakeValue(args, i, "--duration-ms", &v)) {
            const bool seconds = arg.rfind("--duration-ms", 0) != 0;
            if (haveDuration) return Invalid("give either --duration or --duration-ms, once");
            haveDuration = true;
            const auto n = v ? ParseInteger(*v) : std::nullopt;
            if (seconds && !InRange(n, 1, 100)) return Invalid("--duration needs whole seconds from 1 to 100");
            if (!seconds && !InRange(n, 1, 100000)) return Invalid("--duration-ms needs milliseconds from 1 to 100000");
            c.analyze.minSilenceMs = seconds ? *n * 1000 : *n;
        } else if (!save && TakeValue(args, i, "--format", &v)) {
            if (v == "tsv") c.analyze.format = OutputFormat::Tsv;
            else if (v == "json") c.analyze.format = OutputFormat::Json;
            else if (v == "cue") c.analyze.format = OutputFormat::Cue;
            else if (v == "svg") c.analyze.format = OutputFormat::Svg;
            else return Invalid("--format is one of tsv, json, cue, svg");
        } else if (TakeValue(args, i, "--count", &v)) {
            c.analyze.expectedTracks = v ? ParseInteger(*v) : std::nullopt;
            if (!c.analyze.expectedTracks || *c.analyze.expectedTracks < 1)
                return Invalid("--count needs a number of tracks from 1");
        } else if (!save && arg == "--closest") {
            c.analyze.closest = true;
        } else if (arg == "--wide-formats") {
            c.analyze.wideFormats = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            return Invalid(UnknownOption(arg, save));
        } else {
            if (arg == "--" && i + 1 < args.size()) ++i;
            if (haveFile) return Invalid(args[0] + " takes one wave file: " + c.analyze.file + " or " + args[i]);
            c.analyze.file = args[i];
            haveFile = true;
        }
    }
    if (!haveFile) return Invalid(args[0] + " needs a wave file");
    if (c.analyze.expectedTracks && haveDuration)
        return Invalid("--count chooses the duration itself: leave out --duration");
    if (c.analyze.closest && !c.analyze.expectedTracks) return Invalid("--closest goes with --count");
    return CheckNaming(c);
}

}  // namespace

std::optional<TrackRanges> ParseTrackRanges(const std::string& text) {
    TrackRanges ranges;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string piece = text.substr(at, comma - at);
        const std::size_t dash = piece.find('-');
        const auto first = ParseInteger(piece.substr(0, dash));
        const auto last = dash == std::string::npos ? first : ParseInteger(piece.substr(dash + 1));
        if (!first || !last || *first < 1 || *last < *first || piece[0] == '+') return std::nullopt;
        ranges.emplace_back(*first, *last);
        at = comma + 1;
    }
    return ranges;
}

CliCommand ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) return Invalid("no command given: analyze or save");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help")
        return CliCommand{CliCommand::Kind::Help, {}, {}, {}};
    if (args[0] == "--version") return CliCommand{CliCommand::Kind::Version, {}, {}, {}};
    if (args[0] == "analyze") return ParseAnalyze(args, false);
    if (args[0] == "save") return ParseAnalyze(args, true);
    return Invalid("unknown command " + args[0] + "; the commands are analyze and save");
}

std::string UsageErrorLine(const std::string& what) {
    // One line that names what was wrong: the whole usage would bury it.
    return "quillon-cli: " + OneLine(what) + "; see quillon-cli --help\n";
}

const char* UsageText() {
    return "Usage: quillon-cli analyze [--amplitude PERCENT] [--duration SECONDS | --duration-ms MS]\n"
           "                          [--format tsv|json|cue|svg] [--wide-formats] [NAMING] FILE.wav\n"
           "       quillon-cli analyze --count N [--amplitude PERCENT] [--closest]\n"
           "                          [--format tsv|json|cue|svg] [--wide-formats] [NAMING] FILE.wav\n"
           "       quillon-cli save [--tracks LIST] [--output DIR] [--yes | --no-clobber]\n"
           "                       [--type wave|mp3|flac] [--codec NAME] [--bitrate KBITS]\n"
           "                       [--flac-level LEVEL] [--tags] [--artist ARTIST] [--album ALBUM]\n"
           "                       [--year YEAR] [--genre GENRE] [--first-number N]\n"
           "                       [--amplitude PERCENT] [--wide-formats] [NAMING]\n"
           "                       [--duration SECONDS | --duration-ms MS | --count N] FILE.wav\n"
           "       NAMING: --names FILE [--number-names] [--first-number N] [--allow-mismatch]\n"
           "       quillon-cli --help | --version\n"
           "\n"
           "analyze lists the tracks of a PCM wave recording, cut at the middle of every\n"
           "silence that lasts longer than the minimum duration. save finds them the same\n"
           "way and writes each chosen track as a file of its own. It reads PCM of up to\n"
           "16 bits, mono or stereo; the wider layouts need --wide-formats.\n"
           "\n"
           "  --amplitude PERCENT  a frame is silent below this percentage of full scale,\n"
           "                       1 to 100 (default: \"SilenceAmplitude:\" of Quillon.ini,\n"
           "                       else 10)\n"
           "  --duration SECONDS   a silence must last longer than this to split, 1 to 100\n"
           "                       (default: \"SilenceDuration:\" of Quillon.ini, else 3)\n"
           "  --duration-ms MS     the same in milliseconds, 1 to 100000\n"
           "  --count N            choose the amplitude and duration that give N tracks:\n"
           "                       the lowest amplitude at which N - 1 quiet stretches\n"
           "                       stand out as gaps between pieces (with --amplitude, only\n"
           "                       the duration is chosen); when none do, say which count\n"
           "                       comes closest, list nothing and exit with 1; save\n"
           "                       saves the tracks of the chosen pair, or nothing\n"
           "  --closest            analyze --count: list the closest count's tracks instead\n"
           "  --wide-formats       also open 24- and 32-bit integer and 32- and 64-bit\n"
           "                       floating-point recordings, extensible wave files and\n"
           "                       RF64/BW64 files (default: \"WideFormats:\" of\n"
           "                       Quillon.ini, else off)\n"
           "  --format FORMAT      tsv: Name, Start, Stop, Duration per line (default)\n"
           "                       json: the tracks and the file's format\n"
           "                       cue: a CUE sheet for the recording\n"
           "                       svg: a picture of the recording's level and its cuts\n"
           "  --tracks LIST        save these tracks: numbers and ranges from 1, e.g. 1,3-5\n"
           "                       (default: all)\n"
           "  --output DIR         save into DIR (default: the output folder of Quillon.ini,\n"
           "                       else beside the recording)\n"
           "  --type TYPE          wave (default), mp3 or flac\n"
           "  --codec NAME         for mp3: \"LAME Encoder\" or \"Windows ACM Default\" (default:\n"
           "                       \"CodecName:\" of Quillon.ini, else LAME when it is there)\n"
           "  --bitrate KBITS      for mp3: the bit rate (default: \"BitRate:\" of Quillon.ini,\n"
           "                       else 192); one the codec cannot use is refused with the\n"
           "                       rates it can\n"
           "  --flac-level LEVEL   for flac: the compression level, 0 (fastest) to 8\n"
           "                       (smallest); every level keeps the samples exactly\n"
           "                       (default: \"CompressionLevel:\" of Quillon.ini, else 5)\n"
           "  --names FILE         name the tracks in order from FILE: a title list (one\n"
           "                       title a line) or a CUE sheet (by its .cue extension);\n"
           "                       a name turns \"/\" into \"-\" and \" into ', the tags keep\n"
           "                       the title as it is; a count of titles other than the\n"
           "                       count of tracks is refused\n"
           "  --number-names       number the names: \"01 Title\"\n"
           "  --first-number N     the first track's number in numbered names and in the\n"
           "                       tags, 1 to 999 (default 1)\n"
           "  --allow-mismatch     name the tracks the titles reach when the counts differ\n"
           "  --tags               for mp3: write ID3v2.4 tags (flac files always carry\n"
           "                       their tags; wave files none)\n"
           "  --artist ARTIST      the tags' artist (default: the CUE sheet's)\n"
           "  --album ALBUM        the tags' album (default: the CUE sheet's, else the\n"
           "                       recording's file name without extension)\n"
           "  --year YEAR          the tags' year or date (default: the CUE sheet's)\n"
           "  --genre GENRE        the tags' genre (default: the CUE sheet's)\n"
           "  --yes                overwrite files that are there already\n"
           "  --no-clobber         keep files that are there already (skip the track)\n"
           "\n"
           "Without --yes or --no-clobber an existing file is asked about on a terminal and\n"
           "skipped otherwise. save prints each file it writes; Ctrl+C stops it, removing\n"
           "the file being written.\n"
           "\n"
           "Times are mm:ss:mmm. Exit status: 0 tracks listed or every chosen track saved,\n"
           "1 the file was refused, a track was not saved, no thresholds separate the\n"
           "--count asked for, or the titles of --names could not be read or do not match\n"
           "the count of tracks, 2 bad arguments (one line on stderr says which).\n";
}

}  // namespace quillon::cli
