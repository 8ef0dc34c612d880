#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "cli/Commands.h"
#include "cli/EncodingProgress.h"
#include "cli/Interrupt.h"
#include "cli/TrackNames.h"
#include "export/OutputFolder.h"
#include "export/SaveJob.h"
#include "export/flac/FlacSave.h"
#include "export/mp3/BitRateLists.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/WaveToMP3.h"
#include "export/tags/Mp3Tags.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "settings/Settings.h"

namespace quillon::cli {
namespace {

// The rates the window would offer for codec and path, as a sentence.
std::string UsableRatesText(const std::string& codec, const std::string& path, ConsoleSeam& seam) {
    const engine::BitRateLists lists = engine::BuildBitRateLists(path, seam);
    const std::vector<uint32_t>& rates = engine::IsLameCodecName(codec) ? lists.lame : lists.acm;
    if (rates.empty()) return "No bit rate of this codec can encode this file.";
    std::string text = "Usable bit rates:";
    for (std::size_t i = 0; i < rates.size(); ++i) {
        text += i == 0 ? " " : ", ";
        text += std::to_string(rates[i]);
    }
    return text + " kbit/s.";
}

// The codec and bit rate of an MP3 save: the command line's, else the
// settings', else LAME (when it is there) at 192 kbit/s. False, with the
// reason shown, when they cannot encode path.
bool ChooseMp3Settings(const SaveOptions& save, const std::string& path, ConsoleSeam& seam, std::string& codec,
                       uint32_t& bitRate) {
    const engine::SettingsFile settings;
    const bool lame = engine::LoadLameLibrary();
    codec = save.codec.value_or(settings.Read(engine::keys::CodecName));
    if (codec.empty()) codec = lame ? engine::kLameCodecName : engine::kAcmCodecName;
    const int32_t stored = settings.Read(engine::keys::BitRate);
    bitRate = uint32_t(save.bitRate.value_or(stored > 0 ? stored : 192));
    if (engine::IsLameCodecName(codec) && !lame) {
        seam.ShowMessageBox("Error: The LAME encoder is not installed. Use --codec \"" +
                            std::string(engine::kAcmCodecName) + "\".");
        return false;
    }
    if (!engine::IsLameCodecName(codec)) {
        const uint16_t found = engine::Converter().IsValidMP3CodecFound(path.c_str());
        if (found != 0) {
            seam.ShowMessageBox(engine::MessageText(found == CV_NO_MP3_CODEC || found == CV_DECODER_ONLY
                                                        ? engine::MsgOfferMp3Download
                                                        : engine::MsgCodecCannotUseSourceFormat));
            return false;
        }
    }
    const bool usable = engine::BitRateUsable(codec, path, bitRate, seam);
    if (!usable)
        seam.ShowMessageBox(TrimmedLine(engine::RateRefusedText(bitRate)) + "\n" + UsableRatesText(codec, path, seam));
    return usable;
}

// Which tracks to save, one flag per track; an error text when a number is past the end.
std::vector<bool> ChooseTracks(const std::optional<TrackRanges>& ranges, std::size_t count, std::string& error) {
    std::vector<bool> chosen(count, !ranges.has_value());
    if (!ranges) return chosen;
    for (const auto& [first, last] : *ranges) {
        if (std::size_t(last) > count) {
            error = "--tracks asks for track " + std::to_string(last) + ", but the recording has " +
                    std::to_string(count) + (count == 1 ? " track" : " tracks");
            return {};
        }
        for (int32_t n = first; n <= last; ++n) chosen[std::size_t(n - 1)] = true;
    }
    return chosen;
}

std::string WithoutTrailingSlash(const std::string& folder) {
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
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
    Analysis analysis;
    if (!LocateFile(analyze, seam, analysis)) return ExitRefused;
    const std::string& path = analysis.path;
    const std::string folder = save.outputFolder ? engine::AddTrailingBackslash(FullPath(*save.outputFolder))
                                                 : engine::GetOutputFolder(path);
    // Told before the scan, which can take minutes, and with the folder named.
    if (!engine::DirectoryExists(folder)) {
        seam.ShowErrorWithDetail(engine::MsgOutputFolderMissing, WithoutTrailingSlash(folder));
        return ExitRefused;
    }
    // A names file that cannot be read is told before the scan too.
    TitleSource titles;
    if (!ReadTitleSource(analyze.naming, seam, titles) || !AnalyzeFile(analyze, seam, analysis)) return ExitRefused;
    if (analyze.expectedTracks) {
        const auto answer = ChooseThresholds(analyze, seam, analysis);
        if (!answer || !answer->Found) return ExitRefused;
    }
    if (!NameTracks(analyze.naming, titles, analysis.tracks, seam)) return ExitRefused;
    engine::TrackList& tracks = analysis.tracks;
    const bool mp3 = save.type == SaveOptions::Type::Mp3, flac = save.type == SaveOptions::Type::Flac;
    std::string codec;
    uint32_t bitRate = 0;
    if (mp3 && !ChooseMp3Settings(save, path, seam, codec, bitRate)) return ExitRefused;
    std::string error;
    const std::vector<bool> chosen = ChooseTracks(save.tracks, tracks.size(), error);
    if (!error.empty()) {
        std::fputs(UsageErrorLine(error).c_str(), stderr);
        return ExitUsage;
    }
    seam.SetOverwrite(OverwriteAnswer(save.existing));

    engine::SaveJob job;
    job.SourcePath = path;
    job.Tracks = tracks;
    job.Analysed = analysis.report.Source;
    engine::MarkTracksToSave(job.Tracks, chosen, false, folder);
    job.CheckedDurationMs = engine::CheckedTracksDuration(job.Tracks, chosen);
    job.OutputFolder = folder;
    job.SaveAsMp3 = mp3;
    job.CodecName = codec;
    job.BitRate = bitRate;
    job.SaveAsFlac = flac;
    job.FlacLevel = unsigned(save.flacLevel.value_or(
        engine::SettingsFile().ReadInRange(engine::keys::FlacLevel, 0, engine::keys::kFlacLevelMax)));
    job.Details = DetailsOfRecording(path, save, analyze.naming, titles);
    job.TagMp3 = save.tagMp3;
    job.WaveCopies = 0;  // two tracks copied at once where there are two cores
    job.State.store(engine::JobRunning);
    seam.WatchAbort(job.AbortRequested);

    std::mutex printMutex;  // MP3 and FLAC files are reported by the encoder threads
    std::atomic<bool> listLost{false};
    engine::SaveHooks hooks;
    hooks.OutputFolder = [folder] { return folder; };
    // The bar follows the file being written, and during the MP3 phase the
    // conversion that began first among those still running.
    hooks.Progress = [&seam, &job](int percent) {
        if (job.Conversions.FirstRunningNumber() == 0) seam.DrawProgress(percent);
    };
    const auto report = [&](std::size_t, const std::string& file) {
        const std::lock_guard lock(printMutex);
        seam.EndProgress();
        // A reader that went away (| head -n1) stops the save: the rest would go unlisted.
        if (std::printf("%s\n", file.c_str()) < 0 || std::fflush(stdout) != 0) {
            listLost.store(true);
            job.AbortRequested.store(true);
        }
    };
    (mp3 || flac ? hooks.Mp3Written : hooks.FileWritten) = report;
    if (flac) hooks.EncodeFlac = engine::EncodeFlacConversion;
    hooks.TagMp3 = engine::TagMp3Conversion;
    if (mp3) {
        hooks.ConvertToMp3 = [&seam](engine::SaveJob& running, engine::Mp3Conversion& conversion,
                                     engine::WindowSeam& jobSeam) {
            const auto progress = [&seam, &running, number = conversion.Number](int percent) {
                if (running.Conversions.FirstRunningNumber() == number) seam.DrawProgress(percent);
            };
            return engine::ConvertToMp3(running.CodecName, conversion.WaveName, conversion.TempName, running.BitRate,
                                        jobSeam, progress, conversion.Control);
        };
    }
    engine::SaveEnd end = engine::SaveEnd::Finished;
    {
        const InterruptStop interrupt(job);
        const EncodingProgress bar(job, flac, [&](int percent) {
            const std::lock_guard lock(printMutex);  // not between a file's line and the bar's removal
            seam.DrawProgress(percent);
        });
        end = engine::RunSaveJob(job, seam, hooks);
    }
    seam.EndProgress();
    if (end == engine::SaveEnd::Aborted || listLost.load()) {
        seam.ShowMessageBox(engine::MessageText(engine::MsgAbortedByUser));
        return ExitRefused;
    }
    if (!engine::SavedEveryTrack(job)) {
        seam.ShowMessageBox(engine::SaveEndText(job));
        return ExitRefused;
    }
    return ExitOk;
}

}  // namespace quillon::cli
