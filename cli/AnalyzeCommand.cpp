#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "analysis/AnalysisJob.h"
#include "app/ErrorCodes.h"
#include "cli/Commands.h"
#include "cli/TrackFormats.h"
#include "settings/Settings.h"

namespace quillon::cli {

std::string FullPath(const std::string& file) {
    if (file.empty() || file[0] == '/') return file;
    std::error_code ec;
    const auto full = std::filesystem::absolute(file, ec);
    return ec ? file : full.string();
}

bool AnalyzeFile(const AnalyzeOptions& options, ConsoleSeam& seam, std::string& path, engine::TrackList& tracks) {
    path = FullPath(options.file);
    if (path.empty()) {
        engine::ShowErrorMessage(seam, engine::MsgNeedFullPath);
        return false;
    }
    const engine::SettingsFile settings;
    engine::AnalysisJob job;
    job.FileName = path;
    job.SilenceAmplitude = options.amplitudePercent.value_or(settings.Read(engine::keys::SilenceAmplitude));
    job.SilenceDurationMs = options.minSilenceMs.value_or(
        engine::SilenceDurationToMs(settings.Read(engine::keys::SilenceDuration)));
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
    std::string path;
    engine::TrackList tracks;
    if (!AnalyzeFile(options, seam, path, tracks)) return ExitRefused;
    std::string out;
    switch (options.format) {
    case OutputFormat::Tsv: out = FormatTsv(tracks); break;
    case OutputFormat::Json: out = FormatJson(tracks, seam.Facts(), path); break;
    case OutputFormat::Cue: out = FormatCue(tracks, path); break;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? ExitOk : ExitRefused;
}

}  // namespace quillon::cli
