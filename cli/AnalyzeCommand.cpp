#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "analysis/AnalysisJob.h"
#include "analysis/SuggestThresholds.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "cli/Commands.h"
#include "cli/OverviewSvg.h"
#include "cli/TrackFormats.h"
#include "cli/TrackNames.h"
#include "settings/Settings.h"

namespace quillon::cli {

std::string FullPath(const std::string& file) {
    if (file.empty() || file[0] == '/') return file;
    std::error_code ec;
    const auto full = std::filesystem::absolute(file, ec);
    return ec ? file : full.string();
}

namespace {

// Runs work on a worker and draws job's progress meanwhile, as the window does.
template <typename Work>
void WithProgress(engine::AnalysisJob& job, ConsoleSeam& seam, Work work) {
    std::promise<void> ended;
    std::future<void> end = ended.get_future();
    std::thread worker([&] {
        work();
        ended.set_value();
    });
    while (end.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        seam.DrawProgress(job.Progress.load());
    worker.join();
    seam.EndProgress();
}

}  // namespace

std::optional<engine::ThresholdAnswer> ChooseThresholds(const AnalyzeOptions& options, ConsoleSeam& seam,
                                                        Analysis& analysis) {
    engine::ThresholdRequest request;
    request.Expected = *options.expectedTracks;
    request.KeepPercent = options.amplitudePercent;
    request.Current = {analysis.amplitudePercent, analysis.minSilenceMs / 1000, 0};
    engine::AnalysisJob job;
    std::optional<engine::ThresholdAnswer> answer;
    WithProgress(job, seam, [&] {
        answer = engine::SuggestThresholds(analysis.path, analysis.report.Overview, request, job, seam,
                                           &analysis.tracks, &analysis.report);
    });
    if (!answer) return answer;
    analysis.amplitudePercent = answer->Choice.AmplitudePercent;
    analysis.minSilenceMs = answer->Choice.DurationSeconds * 1000;
    seam.ShowMessageBox(engine::DescribeAnswer(*answer, request));
    return answer;
}

bool LocateFile(const AnalyzeOptions& options, ConsoleSeam& seam, Analysis& analysis) {
    analysis.path = FullPath(options.file);
    if (analysis.path.empty()) {
        engine::ShowErrorMessage(seam, engine::MsgNeedFullPath);
        return false;
    }
    // The message alone does not say which file was looked for.
    if (!engine::FileExists(analysis.path)) {
        seam.ShowErrorWithDetail(engine::MsgFileDoesNotExist, analysis.path);
        return false;
    }
    seam.SetSource(analysis.path);
    return true;
}

bool AnalyzeFile(const AnalyzeOptions& options, ConsoleSeam& seam, Analysis& analysis) {
    const engine::SettingsFile settings;
    engine::SetWideFormats(options.wideFormats || settings.Read(engine::keys::WideFormats));
    engine::AnalysisJob job;
    job.FileName = analysis.path;
    job.SilenceAmplitude = options.amplitudePercent.value_or(settings.Read(engine::keys::SilenceAmplitude));
    job.SilenceDurationMs = options.minSilenceMs.value_or(
        engine::SilenceDurationToMs(settings.Read(engine::keys::SilenceDuration)));
    job.State.store(engine::JobRunning);
    WithProgress(job, seam, [&] { engine::RunAnalysis(job, analysis.tracks, seam); });
    analysis.amplitudePercent = job.SilenceAmplitude;
    analysis.minSilenceMs = job.SilenceDurationMs;
    analysis.report = std::move(job.Report);
    return job.State.load() == engine::JobFinished;
}

int RunAnalyze(const AnalyzeOptions& options) {
    ConsoleSeam seam(stderr);
    Analysis analysis;
    TitleSource titles;
    if (!LocateFile(options, seam, analysis) || !ReadTitleSource(options.naming, seam, titles) ||
        !AnalyzeFile(options, seam, analysis))
        return ExitRefused;
    int status = ExitOk;
    if (options.expectedTracks) {
        const std::optional<engine::ThresholdAnswer> answer = ChooseThresholds(options, seam, analysis);
        if (!answer) return ExitRefused;
        if (!answer->Found) {
            if (!options.closest) return ExitRefused;
            status = ExitRefused;
        }
    } else if (analysis.report.Nothing) {
        seam.ShowMessageBox(engine::DescribeNothingFound(*analysis.report.Nothing));
    }
    if (!NameTracks(options.naming, titles, analysis.tracks, seam)) return ExitRefused;
    std::string out;
    switch (options.format) {
    case OutputFormat::Tsv: out = FormatTsv(analysis.tracks); break;
    case OutputFormat::Json: out = FormatJson(analysis, seam.Facts()); break;
    case OutputFormat::Cue: out = FormatCue(analysis.tracks, analysis.path); break;
    case OutputFormat::Svg: out = FormatSvg(analysis); break;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? status : ExitRefused;
}

}  // namespace quillon::cli
