// The MP3 save with its conversions on several encoder threads, on both
// routes and with real encoders: the questions come in the order of a save
// one conversion at a time, every MP3 file decodes to its track's length, an
// abort with several conversions running leaves no partial MP3 file and no
// wave file of an unfinished track, and one failed conversion among good ones
// keeps only its own wave file.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "export/SaveJob.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/WaveToMP3.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "support/RecordingSeam.h"
#include "support/TestTracks.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

constexpr uint32_t kRate = 44100;

using test::SecondsTrack;

// ffprobe's duration of an MP3 file in seconds (mpg123's when only it is
// there); -1 when it cannot tell, -2 when neither tool is installed.
double Mp3Seconds(const std::string& file) {
    const std::string out = file + ".seconds";
    std::string command;
    if (std::system("command -v ffprobe >/dev/null 2>&1") == 0) {
        command = "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + file + "' > '" + out +
                  "' 2>/dev/null";
    } else if (std::system("command -v mpg123 >/dev/null 2>&1") == 0) {
        // mpg123 decodes to a wave file; its data chunk gives the length.
        command = "mpg123 -q -w '" + out + ".wav' '" + file + "' && echo $(( ($(stat -c %s '" + out +
                  ".wav') - 44) / 176400 )) > '" + out + "'";
    } else {
        return -2;
    }
    if (std::system(command.c_str()) != 0) return -1;
    std::ifstream in(out);
    double seconds = -1;
    in >> seconds;
    fs::remove(out);
    return seconds;
}

struct Route {
    const char* codec;
    const char* name;
    bool handles = true;  // the converter library's calls on handles; else only the old calls, taking turns
};

void PrintTo(const Route& route, std::ostream* os) { *os << route.name; }

class ParallelSave : public ::testing::TestWithParam<Route> {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLameLibraryFrom({QUILLON_LAME_SHIM}));
        // The converter library this test links, with its calls on handles or
        // as a library that has only the old ones.
        ConverterCalls calls{&IsValidMP3CodecFound, &IsBitrateSupported, &ConvertWaveFileToMp3, &GetStatusWavToMP3,
                             &StopConversionWavToMP3};
        if (GetParam().handles) {
            calls.OpenConversionWavToMP3 = &OpenConversionWavToMP3;
            calls.ConvertWaveFileToMp3Ex = &ConvertWaveFileToMp3Ex;
            calls.GetStatusWavToMP3Ex = &GetStatusWavToMP3Ex;
            calls.StopConversionWavToMP3Ex = &StopConversionWavToMP3Ex;
            calls.CloseConversionWavToMP3 = &CloseConversionWavToMP3;
        }
        UseConverter(calls);
        fs::create_directory(out_);
    }

    // seconds of 16-bit stereo: a square wave that moves, so the encoders work.
    void MakeSource(uint32_t seconds) {
        test::Pcm pcm(16, 2);
        for (uint32_t at = 0; at < seconds * kRate; at += 40) pcm.Level(40, (at / 40) % 2 ? 3000 : -3000);
        source_ = dir_.Write("Side.wav", test::PcmWave(test::Format{}, pcm.bytes()));
    }

    // The hooks the window and the command line give, over the real routes.
    void UseRealConversions() {
        hooks_.ConvertToMp3 = [](SaveJob& job, Mp3Conversion& conversion, WindowSeam& seam) {
            return ConvertToMp3(job.CodecName, conversion.WaveName, conversion.TempName, job.BitRate, seam, {},
                                conversion.Control);
        };
        hooks_.Mp3Written = [this](std::size_t track, const std::string& path) {
            const std::lock_guard lock(mutex_);
            mp3Written_.push_back({track, path});
        };
    }

    SaveEnd Run(SaveJob& job, const TrackList& tracks, unsigned threads, test::RecordingSeam& seam) {
        job.SourcePath = source_;
        job.Tracks = tracks;
        job.OutputFolder = out_ + "/";
        job.SaveAsMp3 = true;
        job.CodecName = GetParam().codec;
        job.BitRate = 128;
        job.EncoderThreads = threads;
        for (const auto& t : job.Tracks) job.CheckedDurationMs += uint32_t(TimeTextToMs(t.Duration));
        job.State = JobRunning;
        return RunSaveJob(job, seam, hooks_);
    }

    std::string Out(const std::string& name) const { return out_ + "/" + name; }

    std::vector<std::string> Files() const { return test::FileNames(out_); }

    test::TempDir dir_;
    std::string out_ = dir_.path() + "/out";
    std::string source_;
    SaveHooks hooks_;
    std::mutex mutex_;
    std::vector<std::pair<std::size_t, std::string>> mp3Written_;
};

INSTANTIATE_TEST_SUITE_P(BothRoutes, ParallelSave,
                         ::testing::Values(Route{kLameCodecName, "Lame"}, Route{kAcmCodecName, "Converter"},
                                           Route{kAcmCodecName, "ConverterOldCalls", false}),
                         [](const auto& param) { return std::string(param.param.name); });

// The questions and dialogs only: what the conversions say comes between them.
std::vector<std::string> Questions(const std::vector<std::string>& boxes) {
    std::vector<std::string> asked;
    for (const auto& box : boxes) {
        if (box.rfind("question: ", 0) == 0 || box.rfind("save dialog: ", 0) == 0) asked.push_back(box);
    }
    return asked;
}

TEST_P(ParallelSave, AsksInTheOrderOfASaveOneConversionAtATime) {
    MakeSource(10);
    const TrackList tracks{SecondsTrack("A", 0, 2), SecondsTrack("B", 2, 4), SecondsTrack("C", 4, 6),
                           SecondsTrack("D", 6, 8), SecondsTrack("E", 8, 10)};
    UseRealConversions();
    std::vector<std::vector<std::string>> asked;
    for (const unsigned threads : {1u, 4u}) {
        // Earlier files under every name: each wave and MP3 name is asked about.
        for (const char* name : {"A", "B", "C", "D", "E"}) {
            dir_.Write(std::string("out/") + name + ".wav", {'o', 'l', 'd'});
            dir_.Write(std::string("out/") + name + ".MP3", {'o', 'l', 'd'});
        }
        test::RecordingSeam seam;
        // A: both replaced; B: wave kept (then the dialog, cancelled); C: MP3
        // kept; D and E: both replaced.
        seam.answers = {true, true, false, true, false, true, true, true, true};
        SaveJob job;
        EXPECT_EQ(Run(job, tracks, threads, seam), SaveEnd::Finished);
        const std::vector<std::string> expected{
            "question: " + MessageText(MsgFileExistsPrefix) + Out("A.wav") + MessageText(MsgFileExistsOverwrite),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("A.MP3") + MessageText(MsgFileExistsOverwrite),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("B.wav") + MessageText(MsgFileExistsOverwrite),
            "save dialog: " + Out("B.wav"),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("C.wav") + MessageText(MsgFileExistsOverwrite),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("C.MP3") + MessageText(MsgFileExistsOverwrite),
            "save dialog: " + Out("C.MP3"),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("D.wav") + MessageText(MsgFileExistsOverwrite),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("D.MP3") + MessageText(MsgFileExistsOverwrite),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("E.wav") + MessageText(MsgFileExistsOverwrite),
            "question: " + MessageText(MsgFileExistsPrefix) + Out("E.MP3") + MessageText(MsgFileExistsOverwrite),
        };
        EXPECT_EQ(Questions(seam.boxes), expected) << threads << " threads";
        asked.push_back(Questions(seam.boxes));
        EXPECT_EQ(seam.boxes.size(), expected.size()) << "nothing else said";
        EXPECT_EQ(test::ReadFile(Out("B.wav")), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(test::ReadFile(Out("C.MP3")), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(job.Tracks[2].WaveSaved, 1);  // C's wave is its only output
        EXPECT_TRUE(fs::exists(Out("C.wav")));
        for (const char* name : {"A", "D", "E"}) {
            // Replaced as agreed, and kept: it was the user's before the job.
            EXPECT_GT(fs::file_size(Out(std::string(name) + ".wav")), 3u) << name;
            EXPECT_GT(fs::file_size(Out(std::string(name) + ".MP3")), 3u) << name;
        }
        EXPECT_TRUE(test::PartFiles(out_).empty());
        fs::remove_all(out_);
        fs::create_directory(out_);
    }
    EXPECT_EQ(asked[0], asked[1]);
}

TEST_P(ParallelSave, EveryMp3DecodesToItsTracksLengthAndTheWavesGo) {
    MakeSource(12);
    TrackList tracks{SecondsTrack("One", 0, 1.5), SecondsTrack("Two", 1.5, 5), SecondsTrack("Three", 5, 7),
                     SecondsTrack("Four", 7, 12)};
    for (auto& t : tracks) t.Outdated = kAllOutdated;
    UseRealConversions();
    test::RecordingSeam seam;
    SaveJob job;
    EXPECT_EQ(Run(job, tracks, 3, seam), SaveEnd::Finished);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(job.State, JobFinished);
    // The job ended only once every conversion had.
    EXPECT_EQ(mp3Written_.size(), 4u);
    EXPECT_TRUE(job.Conversions.Empty());
    EXPECT_FALSE(job.InMp3Phase.load());
    EXPECT_EQ(Files(), (std::vector<std::string>{"Four.MP3", "One.MP3", "Three.MP3", "Two.MP3"}));
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        EXPECT_EQ(job.Tracks[i].WaveSaved, 0) << i;
        EXPECT_EQ(job.Tracks[i].Outdated, OutdatedFlac) << i << ": no wave, a new MP3";
    }
    for (const auto& [track, path] : mp3Written_) EXPECT_EQ(path, Out(tracks[track].Name + ".MP3"));
    const double lengths[] = {1.5, 3.5, 2, 5};
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const double seconds = Mp3Seconds(Out(tracks[i].Name + ".MP3"));
        if (seconds == -2) GTEST_SKIP() << "neither ffprobe nor mpg123 is installed";
        EXPECT_NEAR(seconds, lengths[i], 0.1) << tracks[i].Name;
    }
}

TEST_P(ParallelSave, AnAbortWithSeveralConversionsRunningLeavesOnlyCompleteTracks) {
    // Long enough that the first two conversions are still running together
    // when the abort comes (the one route reports its progress, the other is asked).
    MakeSource(160);
    const TrackList tracks{SecondsTrack("One", 0, 40), SecondsTrack("Two", 40, 80), SecondsTrack("Three", 80, 120),
                           SecondsTrack("Four", 120, 160)};
    UseRealConversions();
    std::atomic<std::size_t> runningAtAbort{0};
    test::RecordingSeam seam;
    SaveJob job;
    hooks_.FileWritten = [&job, &runningAtAbort](std::size_t track, const std::string&) {
        if (track != 2) return;
        // Track Three's wave is written: One and Two are with the encoders.
        // Abort, as the Abort button does, once both run and One is under way.
        for (int i = 0; i < 4000; ++i) {
            const auto first = job.Conversions.FirstRunning();
            const int percent = first ? first->Control.Percent() : 0;
            if (job.Conversions.Running() == 2 && first->Number == 1 && percent > 2 && percent < 90) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        runningAtAbort = job.Conversions.Running();
        job.MarkAborted();
        job.StopConversions();
    };
    EXPECT_EQ(Run(job, tracks, 2, seam), SaveEnd::Aborted);
    EXPECT_EQ(runningAtAbort.load(), 2);
    EXPECT_EQ(job.State, JobAborted);
    EXPECT_TRUE(job.Conversions.Empty());
    EXPECT_TRUE(test::PartFiles(out_).empty());
    // Every track is either complete as MP3 (its wave gone) or absent.
    for (const auto& name : Files()) {
        EXPECT_EQ(fs::path(name).extension(), ".MP3") << name;
    }
    for (const auto& [track, path] : mp3Written_) EXPECT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(Files().size(), mp3Written_.size());
    EXPECT_LT(mp3Written_.size(), 2u) << "the abort came while One and Two were both running";
    for (std::size_t i = 0; i < tracks.size(); ++i) EXPECT_EQ(job.Tracks[i].WaveSaved, 0) << i;
}

TEST_P(ParallelSave, OneFailedConversionKeepsItsWaveAndTheOthersConvert) {
    MakeSource(8);
    const TrackList tracks{SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 4), SecondsTrack("Three", 4, 6),
                           SecondsTrack("Four", 6, 8)};
    UseRealConversions();
    const auto real = hooks_.ConvertToMp3;
    hooks_.ConvertToMp3 = [real](SaveJob& job, Mp3Conversion& conversion, WindowSeam& seam) -> uint16_t {
        if (conversion.Track == 1) return LameEncodeFailed;  // the encoder gave up on Two
        return real(job, conversion, seam);
    };
    test::RecordingSeam seam;
    SaveJob job;
    EXPECT_EQ(Run(job, tracks, 3, seam), SaveEnd::Finished);
    EXPECT_EQ(seam.boxes,
              (std::vector<std::string>{"error: " + FormatText(text::kMp3ConversionFailed, {"Two", Out("Two.wav")})}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"Four.MP3", "One.MP3", "Three.MP3", "Two.wav"}));
    EXPECT_EQ(job.Tracks[1].WaveSaved, 1);
    EXPECT_EQ(fs::file_size(Out("Two.wav")), 46u + 2 * kRate * 4);
    for (const std::size_t i : {0u, 2u, 3u}) EXPECT_EQ(job.Tracks[i].WaveSaved, 0) << i;
}

}  // namespace
}  // namespace quillon::engine
