// quillon-cli: the headless front end of the engine.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "analysis/AnalysisJob.h"
#include "app/ErrorCodes.h"
#include "cli/CliArgs.h"
#include "cli/ConsoleSeam.h"
#include "cli/TrackFormats.h"
#include "settings/Settings.h"

namespace quillon::cli {
namespace {

enum ExitCode : int { ExitOk = 0, ExitRefused = 1, ExitUsage = 2 };

// Relative names are taken from the working folder, as a shell user expects;
// the window always works with full paths.
std::string FullPath(const std::string& file) {
    if (file.empty() || file[0] == '/') return file;
    std::error_code ec;
    const auto full = std::filesystem::absolute(file, ec);
    return ec ? file : full.string();
}

// Runs the analysis on a worker, as the window does, polling its progress.
bool Analyze(engine::AnalysisJob& job, engine::TrackList& tracks, ConsoleSeam& seam) {
    job.State.store(engine::JobRunning);
    std::promise<void> ended;
    std::future<void> end = ended.get_future();
    std::thread worker([&] {
        engine::RunAnalysis(job, tracks, seam);
        ended.set_value();
    });
    while (end.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        seam.DrawProgress(job.Progress.load());
    worker.join();
    seam.EndProgress();
    return job.State.load() == engine::JobFinished;
}

int RunAnalyze(const AnalyzeOptions& options) {
    ConsoleSeam seam(stderr);
    const std::string path = FullPath(options.file);
    if (path.empty()) {
        engine::ShowErrorMessage(seam, engine::MsgNeedFullPath);
        return ExitRefused;
    }
    const engine::SettingsFile settings;
    auto job = std::make_shared<engine::AnalysisJob>();
    job->FileName = path;
    job->SilenceAmplitude = options.amplitudePercent.value_or(settings.Read(engine::keys::SilenceAmplitude));
    job->SilenceDurationMs = options.minSilenceMs.value_or(
        engine::SilenceDurationToMs(settings.Read(engine::keys::SilenceDuration)));

    engine::TrackList tracks;
    if (!Analyze(*job, tracks, seam)) return ExitRefused;

    std::string out;
    switch (options.format) {
    case OutputFormat::Tsv: out = FormatTsv(tracks); break;
    case OutputFormat::Json: out = FormatJson(tracks, seam.Facts(), path); break;
    case OutputFormat::Cue: out = FormatCue(tracks, path); break;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? ExitOk : ExitRefused;
}

}  // namespace
}  // namespace quillon::cli

int main(int argc, char** argv) {
    using namespace quillon::cli;
    const CliCommand command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.kind) {
    case CliCommand::Kind::Help: std::fputs(UsageText(), stdout); return ExitOk;
    case CliCommand::Kind::Version: std::printf("quillon-cli %s\n", QUILLON_VERSION); return ExitOk;
    case CliCommand::Kind::Analyze: return RunAnalyze(command.analyze);
    case CliCommand::Kind::Invalid: break;
    }
    std::fprintf(stderr, "quillon-cli: %s\n\n%s", command.error.c_str(), UsageText());
    return ExitUsage;
}
