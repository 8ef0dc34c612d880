#include "cli/CliArgs.h"

#include <charconv>

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

CliCommand Invalid(std::string why) {
    CliCommand c;
    c.kind = CliCommand::Kind::Invalid;
    c.error = std::move(why);
    return c;
}

CliCommand ParseAnalyze(const std::vector<std::string>& args) {
    CliCommand c;
    c.kind = CliCommand::Kind::Analyze;
    bool haveFile = false;
    bool haveDuration = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::optional<std::string> v;
        const std::string arg = args[i];
        if (arg == "--help" || arg == "-h") return CliCommand{CliCommand::Kind::Help, {}, {}};
        if (TakeValue(args, i, "--amplitude", &v)) {
            c.analyze.amplitudePercent = v ? ParseInteger(*v) : std::nullopt;
            if (!c.analyze.amplitudePercent) return Invalid("--amplitude needs an integer percentage");
        } else if (TakeValue(args, i, "--duration", &v) || TakeValue(args, i, "--duration-ms", &v)) {
            const bool seconds = arg.rfind("--duration-ms", 0) != 0;
            if (haveDuration) return Invalid("give either --duration or --duration-ms, once");
            haveDuration = true;
            const auto n = v ? ParseInteger(*v) : std::nullopt;
            if (!n) return Invalid(seconds ? "--duration needs whole seconds" : "--duration-ms needs milliseconds");
            c.analyze.minSilenceMs = seconds ? int32_t(uint32_t(*n) * 1000u) : *n;
        } else if (TakeValue(args, i, "--format", &v)) {
            if (v == "tsv") c.analyze.format = OutputFormat::Tsv;
            else if (v == "json") c.analyze.format = OutputFormat::Json;
            else if (v == "cue") c.analyze.format = OutputFormat::Cue;
            else return Invalid("--format is one of tsv, json, cue");
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            return Invalid("unknown option " + arg);
        } else {
            if (arg == "--" && i + 1 < args.size()) ++i;
            if (haveFile) return Invalid("analyze takes one wave file");
            c.analyze.file = args[i];
            haveFile = true;
        }
    }
    if (!haveFile) return Invalid("analyze needs a wave file");
    return c;
}

}  // namespace

CliCommand ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) return Invalid("no command given");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") return CliCommand{CliCommand::Kind::Help, {}, {}};
    if (args[0] == "--version") return CliCommand{CliCommand::Kind::Version, {}, {}};
    if (args[0] == "analyze") return ParseAnalyze(args);
    return Invalid("unknown command " + args[0]);
}

const char* UsageText() {
    return "Usage: quillon-cli analyze [--amplitude PERCENT] [--duration SECONDS | --duration-ms MS]\n"
           "                          [--format tsv|json|cue] FILE.wav\n"
           "       quillon-cli --help | --version\n"
           "\n"
           "Lists the tracks of a PCM wave recording, cut at the middle of every silence\n"
           "that lasts longer than the minimum duration.\n"
           "\n"
           "  --amplitude PERCENT  a frame is silent below this percentage of full scale\n"
           "                       (default: \"SilenceAmplitude:\" of Quillon.ini, else 10)\n"
           "  --duration SECONDS   a silence must last longer than this to split\n"
           "                       (default: \"SilenceDuration:\" of Quillon.ini, else 3)\n"
           "  --duration-ms MS     the same in milliseconds\n"
           "  --format FORMAT      tsv: Name, Start, Stop, Duration per line (default)\n"
           "                       json: the tracks and the file's format\n"
           "                       cue: a CUE sheet for the recording\n"
           "\n"
           "Times are mm:ss:mmm. Exit status: 0 tracks listed, 1 the file was refused,\n"
           "2 bad arguments.\n";
}

}  // namespace quillon::cli
