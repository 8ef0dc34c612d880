#pragma once
// The commands of quillon-cli. Each returns the process's exit status.

#include <string>

#include "app/TrackList.h"
#include "cli/CliArgs.h"
#include "cli/ConsoleSeam.h"

namespace quillon::cli {

enum ExitCode : int { ExitOk = 0, ExitRefused = 1, ExitUsage = 2 };

// Relative names are taken from the working folder, as a shell user expects;
// the window always works with full paths.
[[nodiscard]] std::string FullPath(const std::string& file);

// Analyses options.file (made a full path into path) on a worker, as the
// window does, with a progress bar on a terminal. False when it was refused
// (the message is already shown).
[[nodiscard]] bool AnalyzeFile(const AnalyzeOptions& options, ConsoleSeam& seam, std::string& path,
                               engine::TrackList& tracks);

int RunAnalyze(const AnalyzeOptions& options);
int RunSave(const AnalyzeOptions& analyze, const SaveOptions& save);

}  // namespace quillon::cli
