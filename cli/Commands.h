#pragma once
// The commands of quillon-cli. Each returns the process's exit status.

#include <string>

#include <optional>

#include "analysis/AnalysisReport.h"
#include "analysis/SuggestThresholds.h"
#include "app/TrackList.h"
#include "cli/CliArgs.h"
#include "cli/ConsoleSeam.h"

namespace quillon::cli {

enum ExitCode : int { ExitOk = 0, ExitRefused = 1, ExitUsage = 2 };

// Relative names are taken from the working folder, as a shell user expects;
// the window always works with full paths.
[[nodiscard]] std::string FullPath(const std::string& file);

// One analysis and what it used and learnt.
struct Analysis {
    std::string path;  // the full path
    int32_t amplitudePercent = 0;
    int32_t minSilenceMs = 0;
    engine::TrackList tracks;
    engine::AnalysisReport report;
};

// Sets analysis.path to options.file's full path and makes it the seam's
// source. False, with the message and the path shown, when there is no such
// file.
[[nodiscard]] bool LocateFile(const AnalyzeOptions& options, ConsoleSeam& seam, Analysis& analysis);

// Analyses the located analysis.path on a worker, as the window does, with a
// progress bar on a terminal, at the options' thresholds (else the
// settings'). False when it was refused (the message is already shown).
[[nodiscard]] bool AnalyzeFile(const AnalyzeOptions& options, ConsoleSeam& seam, Analysis& analysis);

// With options.expectedTracks: replaces analysis's thresholds, tracks and
// report with those chosen for that many tracks, or the closest, and says
// which on stderr. Nothing when the analysis failed.
[[nodiscard]] std::optional<engine::ThresholdAnswer> ChooseThresholds(const AnalyzeOptions& options, ConsoleSeam& seam,
                                                                      Analysis& analysis);

int RunAnalyze(const AnalyzeOptions& options);
int RunSave(const AnalyzeOptions& analyze, const SaveOptions& save);

}  // namespace quillon::cli
