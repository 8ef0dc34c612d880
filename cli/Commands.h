#pragma once
// The commands of quillon-cli. Each returns the process's exit status.

#include <string>

#include "analysis/AnalysisReport.h"
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

// Analyses options.file on a worker, as the window does, with a progress bar
// on a terminal, at the options' thresholds (else the settings'). False when
// it was refused (the message is already shown).
[[nodiscard]] bool AnalyzeFile(const AnalyzeOptions& options, ConsoleSeam& seam, Analysis& analysis);

int RunAnalyze(const AnalyzeOptions& options);
int RunSave(const AnalyzeOptions& analyze, const SaveOptions& save);

}  // namespace quillon::cli
