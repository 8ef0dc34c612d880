#pragma once
// The command line of quillon-cli.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon::cli {

enum class OutputFormat { Tsv, Json, Cue };

struct AnalyzeOptions {
    std::optional<int32_t> amplitudePercent;  // overrides "SilenceAmplitude:"
    std::optional<int32_t> minSilenceMs;      // overrides "SilenceDuration:" (x 1000)
    OutputFormat format = OutputFormat::Tsv;
    std::string file;
};

struct CliCommand {
    enum class Kind { Help, Version, Analyze, Invalid } kind = Kind::Invalid;
    AnalyzeOptions analyze;
    std::string error;  // what was wrong, for Invalid
};

[[nodiscard]] CliCommand ParseCommandLine(const std::vector<std::string>& args);
[[nodiscard]] const char* UsageText();

}  // namespace quillon::cli
