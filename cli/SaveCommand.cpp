#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "cli/Commands.h"
#include "export/OutputFolder.h"
#include "export/SaveJob.h"

namespace quillon::cli {
namespace {

// Ctrl+C presses Abort: the job removes the file it is writing and stops.
std::atomic<engine::SaveJob*> gInterruptible{nullptr};

extern "C" void OnInterrupt(int) {
    if (engine::SaveJob* job = gInterruptible.load()) job->AbortRequested.store(true);
    std::signal(SIGINT, SIG_DFL);  // a second Ctrl+C ends the program at once
}

// Which tracks to save, one flag per track; an error text when a number is past the end.
std::vector<bool> ChooseTracks(const std::optional<TrackRanges>& ranges, std::size_t count, std::string& error) {
    std::vector<bool> chosen(count, !ranges.has_value());
    if (!ranges) return chosen;
    for (const auto& [first, last] : *ranges) {
        if (std::size_t(last) > count) {
            error = "there is no track " + std::to_string(last) + ": the recording has " + std::to_string(count) +
                    (count == 1 ? " track" : " tracks");
            return {};
        }
        for (int32_t n = first; n <= last; ++n) chosen[std::size_t(n - 1)] = true;
    }
    return chosen;
}

ConsoleSeam::Overwrite OverwriteAnswer(SaveOptions::Existing existing) {
    switch (existing) {
    case SaveOptions::Existing::Overwrite: return ConsoleSeam::Overwrite::Yes;
    case SaveOptions::Existing::Skip: return ConsoleSeam::Overwrite::No;
    case SaveOptions::Existing::Ask: break;
    }
    return ConsoleSeam::Overwrite::Ask;
}

}  // namespace

int RunSave(const AnalyzeOptions& analyze, const SaveOptions& save) {
    ConsoleSeam seam(stderr);
    if (save.mp3) {
        seam.ShowMessageBox(engine::text::kMp3Unavailable);
        return ExitRefused;
    }
    std::string path;
    engine::TrackList tracks;
    if (!AnalyzeFile(analyze, seam, path, tracks)) return ExitRefused;
    std::string error;
    const std::vector<bool> chosen = ChooseTracks(save.tracks, tracks.size(), error);
    if (!error.empty()) {
        std::fprintf(stderr, "quillon-cli: %s\n", error.c_str());
        return ExitUsage;
    }
    const std::string folder = save.outputFolder ? engine::AddTrailingBackslash(FullPath(*save.outputFolder))
                                                 : engine::GetOutputFolder(path);
    seam.SetOverwrite(OverwriteAnswer(save.existing));

    engine::SaveJob job;
    job.SourcePath = path;
    job.Tracks = tracks;
    engine::MarkTracksToSave(job.Tracks, chosen, false, folder);
    job.CheckedDurationMs = engine::CheckedTracksDuration(job.Tracks, chosen);
    job.OutputFolder = folder;
    job.State.store(engine::JobRunning);

    std::size_t written = 0;
    engine::SaveHooks hooks;
    hooks.OutputFolder = [folder] { return folder; };
    hooks.Progress = [&seam](int percent) { seam.DrawProgress(percent); };
    hooks.FileWritten = [&](std::size_t, const std::string& file) {
        seam.EndProgress();
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
        ++written;
    };
    gInterruptible.store(&job);
    std::signal(SIGINT, OnInterrupt);
    const engine::SaveEnd end = engine::RunSaveJob(job, seam, hooks);
    std::signal(SIGINT, SIG_DFL);
    gInterruptible.store(nullptr);
    seam.EndProgress();
    if (end == engine::SaveEnd::Aborted) seam.ShowMessageBox(engine::MessageText(engine::MsgAbortedByUser));
    const auto wanted = std::size_t(std::count(chosen.begin(), chosen.end(), true));
    return end == engine::SaveEnd::Finished && written == wanted ? ExitOk : ExitRefused;
}

}  // namespace quillon::cli
