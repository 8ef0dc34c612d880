// The save job on wave files made here: byte-exact output, the cut's frame
// arithmetic, every question and refusal, abort, the hand-off's skip, and the
// checks before any work.
#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "export/SaveJob.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

using test::Bytes;
using test::TempDir;

// Sample bytes that differ from frame to frame, so a shifted cut shows.
Bytes Counting(std::size_t bytes) {
    Bytes b(bytes);
    for (std::size_t i = 0; i < bytes; ++i) b[i] = uint8_t(i * 31 + i / 253);
    return b;
}

TRACK_INFO_STRUCT Track(std::string name, uint32_t startMs, uint32_t stopMs) {
    return {std::move(name), FormatTime(startMs), FormatTime(stopMs), FormatTime(stopMs - startMs), 1, 0};
}

class SaveJobFixture : public ::testing::Test {
protected:
    // A source with the given format and sample bytes in its own folder.
    void MakeSource(const test::Format& format, const Bytes& samples) {
        format_ = format;
        samples_ = samples;
        source_ = dir_.Write("Side A.wav", test::PcmWave(format, samples));
    }
    SaveEnd Run(TrackList tracks) {
        job_.SourcePath = source_;
        job_.Tracks = std::move(tracks);
        job_.OutputFolder = dir_.path() + "/";
        for (const auto& t : job_.Tracks) {
            if (t.Checked) job_.CheckedDurationMs += uint32_t(TimeTextToMs(t.Duration));
        }
        job_.State = JobRunning;
        job_.WaveCopies = copies_;
        hooks_.FileWritten = [this](std::size_t i, const std::string& path) { written_.push_back({i, path}); };
        return RunSaveJob(job_, seam_, hooks_);
    }
    std::string Out(const std::string& name) const { return dir_.path() + "/" + name; }
    // The source's bytes for ms a..b, by the cut's arithmetic.
    Bytes Expected(uint32_t startMs, uint32_t stopMs) const {
        WaveFormat f;
        f.nSamplesPerSec = format_.rate;
        const uint32_t align = format_.channels * format_.bits / 8;
        const auto a = ConvertPosition(startMs, UnitMilliseconds, UnitFrames, f) * align;
        const auto b = ConvertPosition(stopMs, UnitMilliseconds, UnitFrames, f) * align;
        return Bytes(samples_.begin() + a, samples_.begin() + b);
    }
    std::vector<std::string> LeftoverParts() const { return test::PartFiles(dir_.path()); }

    TempDir dir_;
    test::Format format_;
    Bytes samples_;
    std::string source_;
    SaveJob job_;
    SaveHooks hooks_;
    test::RecordingSeam seam_;
    std::vector<std::pair<std::size_t, std::string>> written_;
    unsigned copies_ = 1;
};

// Each case runs with the tracks copied one after another and two at once:
// the files, flags, questions and messages are the same.
class SaveJobTest : public SaveJobFixture, public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override { copies_ = GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Copies, SaveJobTest, ::testing::Values(1u, 2u),
                         [](const ::testing::TestParamInfo<unsigned>& copies) {
                             return copies.param == 1 ? std::string("OneAtATime") : std::string("TwoAtOnce");
                         });

TEST_P(SaveJobTest, WritesTheFixedLayoutAndTheSourcesBytes) {
    // 11.025 kHz 8-bit mono: 100..300 ms is frames 1102 (1102.5, halves to even)..3308 (3307.5): 2206 bytes
    MakeSource({1, 1, 11025, 8}, Counting(11025));
    TRACK_INFO_STRUCT even = Track("Even", 100, 300);
    even.Outdated = kAllOutdated;
    ASSERT_EQ(Run({even}), SaveEnd::Finished);
    const Bytes file = test::ReadFile(Out("Even.wav"));
    const Bytes samples = Expected(100, 300);
    ASSERT_EQ(samples.size(), 2206u);
    EXPECT_EQ(file.size(), 46 + samples.size());
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(test::Le32(file, 4), 38 + samples.size());
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(test::Le32(file, 16), 18u);
    EXPECT_EQ(test::Le16(file, 20), 1);       // PCM
    EXPECT_EQ(test::Le16(file, 22), 1);       // mono
    EXPECT_EQ(test::Le32(file, 24), 11025u);  // rate
    EXPECT_EQ(test::Le16(file, 32), 1);       // block align
    EXPECT_EQ(test::Le16(file, 34), 8);       // bits
    EXPECT_EQ(test::Le16(file, 36), 0);       // no extra bytes
    EXPECT_EQ(std::string(file.begin() + 38, file.begin() + 42), "data");
    EXPECT_EQ(test::Le32(file, 42), samples.size());
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), file.begin() + 46));
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 1);
    EXPECT_EQ(job_.Tracks[0].Outdated, OutdatedMp3 | OutdatedFlac);  // files the save did not write
    EXPECT_EQ(job_.State, JobFinished);
    EXPECT_TRUE(LeftoverParts().empty());
}

// Tracks of several blocks each, at offsets that are no multiple of a page:
// with two at once, both copies run for blocks on end and still end in order.
TEST_P(SaveJobTest, LongTracksAreByteExactAndEndInOrder) {
    MakeSource({1, 2, 44100, 16}, Counting(44100 * 4 * 90));
    const TrackList tracks{Track("A", 0, 30013), Track("B", 30013, 61007), Track("C", 61007, 89999)};
    ASSERT_EQ(Run(tracks), SaveEnd::Finished);
    ASSERT_EQ(written_.size(), 3u);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const std::string path = Out(tracks[i].Name + ".wav");
        EXPECT_EQ(written_[i], (std::pair<std::size_t, std::string>{i, path}));
        const Bytes file = test::ReadFile(path);
        const Bytes samples = Expected(TimeTextToMs(tracks[i].Start), TimeTextToMs(tracks[i].Stop));
        ASSERT_EQ(file.size(), 46 + samples.size()) << path;
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), file.begin() + 46)) << path;
    }
    EXPECT_TRUE(LeftoverParts().empty());
}

TEST_P(SaveJobTest, OddSampleCountGetsAPadByteCountedByRiffOnly) {
    // 11.025 kHz 8-bit mono: 1..2 ms is frames 11 (11.025)..22 (22.05): 11 bytes.
    MakeSource({1, 1, 11025, 8}, Counting(11025));
    ASSERT_EQ(Run({Track("Pad", 1, 2)}), SaveEnd::Finished);
    const Bytes file = test::ReadFile(Out("Pad.wav"));
    ASSERT_EQ(file.size(), 46u + 11 + 1);
    EXPECT_EQ(test::Le32(file, 4), 38u + 11 + 1);
    EXPECT_EQ(test::Le32(file, 42), 11u);
    EXPECT_EQ(file.back(), 0);
    const Bytes samples = Expected(1, 2);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), file.begin() + 46));
}

TEST_P(SaveJobTest, StereoTracksAreCutAtTheirFrames) {
    MakeSource({1, 2, 44100, 16}, Counting(44100 * 4 * 3));
    ASSERT_EQ(Run({Track("One", 0, 1234), Track("Two", 1234, 2999)}), SaveEnd::Finished);
    for (const auto& [name, a, b] : {std::tuple{"One.wav", 0u, 1234u}, std::tuple{"Two.wav", 1234u, 2999u}}) {
        const Bytes file = test::ReadFile(Out(name));
        const Bytes samples = Expected(a, b);
        ASSERT_EQ(file.size(), 46 + samples.size()) << name;
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), file.begin() + 46)) << name;
    }
    ASSERT_EQ(written_.size(), 2u);
    EXPECT_EQ(written_[1].first, 1u);
}

TEST_P(SaveJobTest, ExactMultipleOfTheBlockAndZeroFrames) {
    // 8 kHz 8-bit mono: 524,288 ms is exactly 4 MiB of samples.
    MakeSource({1, 1, 8000, 8}, Counting(kSaveBlockBytes + 8000));
    std::vector<int> percents;
    hooks_.Progress = [&percents](int p) { percents.push_back(p); };
    ASSERT_EQ(Run({Track("Block", 0, 524288), Track("Empty", 1000, 1000)}), SaveEnd::Finished);
    EXPECT_EQ(std::filesystem::file_size(Out("Block.wav")), 46u + kSaveBlockBytes);
    EXPECT_EQ(percents, std::vector<int>{100});  // one whole block, no empty one after it
    const Bytes empty = test::ReadFile(Out("Empty.wav"));
    EXPECT_EQ(empty.size(), 46u);
    EXPECT_EQ(test::Le32(empty, 42), 0u);
    EXPECT_EQ(job_.Tracks[1].WaveSaved, 1);
}

TEST_P(SaveJobTest, UncheckedTracksAreLeftAlone) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    TrackList tracks{Track("A", 0, 100), Track("B", 100, 200)};
    tracks[0].Checked = 0;
    Run(tracks);
    EXPECT_FALSE(std::filesystem::exists(Out("A.wav")));
    EXPECT_TRUE(std::filesystem::exists(Out("B.wav")));
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 0);
}

TEST_P(SaveJobTest, NoAndCancelSkipOnlyThatTrack) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    dir_.Write("B.wav", {'o', 'l', 'd'});
    seam_.answers = {false};  // do not overwrite; then the dialog is cancelled
    Run({Track("A", 0, 100), Track("B", 100, 200), Track("C", 200, 300)});
    EXPECT_TRUE(std::filesystem::exists(Out("A.wav")));
    EXPECT_TRUE(std::filesystem::exists(Out("C.wav")));
    EXPECT_EQ(test::ReadFile(Out("B.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(job_.Tracks[1].WaveSaved, 0);
    const std::string path = Out("B.wav");
    EXPECT_EQ(seam_.boxes, (std::vector<std::string>{"question: The file " + path + " already exists. Overwrite ?",
                                                     "save dialog: " + path}));
}

TEST_P(SaveJobTest, YesReplacesAndTheDialogCanRename) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    dir_.Write("A.wav", {'o', 'l', 'd'});
    dir_.Write("B.wav", {'o', 'l', 'd'});
    seam_.answers = {true, false};
    seam_.chosenNames = {Out("B (new).wav")};
    Run({Track("A", 0, 100), Track("B", 100, 200)});
    EXPECT_EQ(std::filesystem::file_size(Out("A.wav")), 46u + 800);
    EXPECT_EQ(test::ReadFile(Out("B.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(std::filesystem::file_size(Out("B (new).wav")), 46u + 800);
    EXPECT_EQ(job_.WaveOutputPath(), Out("B (new).wav"));
    EXPECT_EQ(job_.Mp3OutputPath(), Out("B (new).MP3"));
}

// Two tracks of one name: the second's question comes once the first's file is there.
TEST_P(SaveJobTest, ASecondTrackOfTheSameNameIsAskedAbout) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    seam_.answers = {true};
    Run({Track("Same", 0, 100), Track("Same", 100, 300)});
    EXPECT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(Out("Same.wav")), 46u + 1600);
    EXPECT_EQ(written_.size(), 2u);
}

TEST_P(SaveJobTest, TheSourceIsNeverOfferedForOverwriting) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    const Bytes before = test::ReadFile(source_);
    seam_.chosenNames = {source_};  // and picking it in the dialog does not work either
    Run({Track("Side A", 0, 500)});
    EXPECT_EQ(test::ReadFile(source_), before);
    ASSERT_EQ(seam_.boxes.size(), 2u);
    EXPECT_EQ(seam_.boxes[0], "save dialog: " + source_);  // no overwrite question
    EXPECT_EQ(seam_.boxes[1], "error: " + FormatText(text::kSourceIsOutput, {source_}));
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 0);
}

TEST_P(SaveJobTest, UnusableNamesAndUnwritableFilesAreReportedAndSkipped) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    std::filesystem::create_directory(Out("Folder.wav"));  // the finished file cannot take this name
    Run({Track("", 0, 100), Track("..", 0, 100), Track("a/b", 0, 100), Track("My \"Song\" 1", 0, 100),
         Track("two\nlines", 0, 100), Track("Folder", 0, 100), Track("Fine", 0, 100)});
    EXPECT_EQ(
        seam_.boxes,
        (std::vector<std::string>{
            "error: " + FormatText(text::kBadTrackName, {""}), "error: " + FormatText(text::kBadTrackName, {".."}),
            "error: " + FormatText(text::kBadTrackName, {"a/b"}),
            "error: " + FormatText(text::kBadTrackName, {"My \"Song\" 1"}),
            "error: " + FormatText(text::kBadTrackName, {"two\nlines"}),
            "error: " + FormatText(text::kCannotWriteFile, {Out("Folder.wav"), std::strerror(EISDIR)})}));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(job_.Tracks[std::size_t(i)].WaveSaved, 0) << i;
    EXPECT_EQ(job_.Tracks[6].WaveSaved, 1);
    EXPECT_EQ(SaveEndText(job_), "Saved 1 of 7 tracks; 6 were not saved.");
    EXPECT_TRUE(LeftoverParts().empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/a"));
}

TEST(SaveEndText, SaysHowManyWereNotSavedUnlessEveryOneWas) {
    const struct {
        std::size_t checked;
        uint32_t saved;
        std::string text;
    } cases[] = {
        {3, 3, "Process has completed successfully."},
        {3, 2, "Saved 2 of 3 tracks; 1 was not saved."},
        {4, 1, "Saved 1 of 4 tracks; 3 were not saved."},
        {1, 0, "Saved 0 of 1 track; 1 was not saved."},
    };
    for (const auto& c : cases) {
        SaveJob job;
        job.Tracks.resize(c.checked + 1);  // one row left unchecked
        for (std::size_t i = 0; i < c.checked; ++i) job.Tracks[i].Checked = 1;
        job.TracksSaved = c.saved;
        EXPECT_EQ(SaveEndText(job), c.text);
    }
}

TEST_P(SaveJobTest, AbortDuringTheThirdOfFiveKeepsTwoFiles) {
    if (GetParam() != 1) GTEST_SKIP() << "with two at once, the third may be copied before its progress is shown";
    // 8 kHz 16-bit stereo: 200 s is 6.4 MB, two blocks.
    MakeSource({1, 2, 8000, 16}, Counting(8000 * 4 * 210));
    hooks_.Progress = [this](int) {
        if (written_.size() == 2) job_.MarkAborted();  // inside the third track's copy
    };
    TrackList tracks{Track("T1", 0, 1000), Track("T2", 1000, 2000), Track("T3", 2000, 202000),
                     Track("T4", 202000, 203000), Track("T5", 203000, 204000)};
    ASSERT_EQ(Run(tracks), SaveEnd::Aborted);
    EXPECT_TRUE(std::filesystem::exists(Out("T1.wav")));
    EXPECT_TRUE(std::filesystem::exists(Out("T2.wav")));
    for (const char* gone : {"T3.wav", "T4.wav", "T5.wav"}) EXPECT_FALSE(std::filesystem::exists(Out(gone))) << gone;
    EXPECT_TRUE(LeftoverParts().empty());
    EXPECT_EQ(job_.Tracks[2].WaveSaved, 0);
    EXPECT_EQ(job_.State, JobAborted);
}

// An abort inside the first track's copy, the second begun beside it when
// two are copied at once: neither leaves a file or a part.
TEST_P(SaveJobTest, AnAbortLeavesNoTrackThatWasBegun) {
    MakeSource({1, 2, 44100, 16}, Counting(44100 * 4 * 60));
    hooks_.Progress = [this](int) { job_.MarkAborted(); };
    ASSERT_EQ(Run({Track("A", 0, 30000), Track("B", 30000, 59000)}), SaveEnd::Aborted);
    EXPECT_FALSE(std::filesystem::exists(Out("A.wav")));
    EXPECT_FALSE(std::filesystem::exists(Out("B.wav")));
    EXPECT_TRUE(LeftoverParts().empty());
    EXPECT_TRUE(written_.empty());
}

TEST_P(SaveJobTest, HandOffSkipsSavedWavesAndLaunchesAtEveryEnd) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    dir_.Write("B.wav", {'o', 'l', 'd'});
    TrackList tracks{Track("A", 0, 100), Track("B", 100, 200), Track("C", 200, 300)};
    MarkTracksToSave(tracks, {true, true, false}, true, dir_.path() + "/");
    EXPECT_EQ(tracks[0].Checked, 1);
    EXPECT_EQ(tracks[1].Checked, 0);                                      // already saved
    EXPECT_EQ(tracks[2].Checked, 0);                                      // not checked
    EXPECT_EQ(CheckedTracksDuration(tracks, {true, true, false}), 200u);  // the skipped one counts
    int launches = 0;
    hooks_.LaunchCompanion = [&launches](SaveJob&, WindowSeam&) { ++launches; };
    job_.HandOff = true;
    Run(tracks);
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(test::ReadFile(Out("B.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST(FreeSpaceOfAFolderToBe, IsTheSpaceOfItsParent) {
    TempDir dir;
    WaveFormat cd;
    cd.nSamplesPerSec = 44100;
    cd.nBlockAlign = 4;
    EXPECT_TRUE(HasFreeSpace(dir.path() + "/not/made/yet", 1000, cd));
}

TEST_P(SaveJobTest, MissingOutputFolderWritesNothing) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    int launches = 0;
    hooks_.LaunchCompanion = [&launches](SaveJob&, WindowSeam&) { ++launches; };
    hooks_.OutputFolder = [this] { return dir_.path() + "/gone/"; };
    job_.HandOff = true;
    EXPECT_EQ(Run({Track("A", 0, 100)}), SaveEnd::Finished);
    EXPECT_EQ(seam_.boxes, (std::vector<std::string>{"error: " + MessageText(MsgOutputFolderMissing)}));
    EXPECT_EQ(job_.State, JobFinished);
    EXPECT_EQ(launches, 1);
    EXPECT_FALSE(std::filesystem::exists(Out("A.wav")));
}

TEST_P(SaveJobTest, UnreadableSourceEndsWithoutWork) {
    source_ = dir_.path() + "/missing.wav";
    EXPECT_EQ(Run({Track("A", 0, 100)}), SaveEnd::Finished);
    EXPECT_EQ(seam_.boxes, (std::vector<std::string>{"error: " + MessageText(MsgFileDoesNotExist)}));
    EXPECT_EQ(job_.State, JobFinished);
}

TEST_P(SaveJobTest, TooLittleSpaceWritesNothing) {
    MakeSource({1, 2, 44100, 16}, Counting(44100 * 4 * 2));
    job_.OutputFolder = "relative/folder";  // cannot be queried: no space at all
    job_.SourcePath = source_;
    job_.Tracks = {Track("A", 0, 1000)};
    job_.CheckedDurationMs = 1000;
    EXPECT_EQ(RunSaveJob(job_, seam_, hooks_), SaveEnd::Finished);
    EXPECT_EQ(seam_.boxes, (std::vector<std::string>{"plain: " + MessageText(MsgNotEnoughSpace)}));
    EXPECT_FALSE(std::filesystem::exists(Out("A.wav")));
}

struct SpaceCase {
    uint32_t totalMs;
    bool enough;
};
class FreeSpace : public ::testing::TestWithParam<SpaceCase> {};

TEST_P(FreeSpace, IsDecidedOnWholeSeconds) {
    WaveFormat cd;
    cd.nSamplesPerSec = 44100;
    cd.nBlockAlign = 4;
    EXPECT_EQ(HasFreeSpace("", GetParam().totalMs, cd), GetParam().enough);  // a folder that cannot be queried
}

INSTANTIATE_TEST_SUITE_P(Seconds, FreeSpace,
                         ::testing::Values(SpaceCase{0, true}, SpaceCase{999, true}, SpaceCase{1000, false}));

TEST(FreeSpaceBeyond32Bits, LongSelectionsAreNotWaivedThrough) {
    // Seven hours of CD audio: 4.4 GB, a product that wraps in 32 bits.
    WaveFormat cd;
    cd.nSamplesPerSec = 44100;
    cd.nBlockAlign = 4;
    TempDir dir;
    struct statvfs fs {};
    ASSERT_EQ(statvfs(dir.path().c_str(), &fs), 0);
    const uint64_t freeBytes = uint64_t(fs.f_bavail) * fs.f_frsize;
    const uint64_t sevenHours = 7ull * 3600 * 44100 * 4;
    if (freeBytes > sevenHours) GTEST_SKIP() << "this disk has room for seven hours";
    EXPECT_FALSE(HasFreeSpace(dir.path(), 7u * 3600 * 1000, cd));
}

TEST_P(SaveJobTest, OutputPlaysInOtherPrograms) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    test::Pcm pcm(16, 2);
    pcm.Loud(22050).Silent(22050);
    MakeSource({1, 2, 44100, 16}, pcm.bytes());
    Run({Track("Tone", 0, 1000)});
    const std::string command = "sox --i -s '" + Out("Tone.wav") + "' 2>/dev/null | grep -qx 44100";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

}  // namespace
}  // namespace quillon::engine

namespace quillon::engine {
namespace {

// The MP3 phase with a stand-in conversion that writes a few bytes into the
// name it is given and returns the scripted result.
class Mp3Phase : public SaveJobFixture {
protected:
    void Convert(uint16_t result) {
        hooks_.ConvertToMp3 = [this, result](SaveJob& job, Mp3Conversion& conversion, WindowSeam&) {
            {
                const std::lock_guard lock(convertedMutex_);  // the encoder threads
                converted_.push_back(conversion.TempName);
            }
            test::TempDir::WriteAt(conversion.TempName, {'I', 'D', '3'});
            if (abortDuring_) job.MarkAborted();
            return result;
        };
        job_.SaveAsMp3 = true;
    }
    std::mutex convertedMutex_;
    std::vector<std::string> converted_;
    bool abortDuring_ = false;
};

TEST_F(Mp3Phase, ASuccessLeavesOnlyTheMp3) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    Convert(0);
    Run({Track("A", 0, 500)});
    ASSERT_EQ(converted_.size(), 1u);
    EXPECT_NE(converted_[0], Out("A.MP3"));  // written under a temporary name first
    EXPECT_EQ(test::ReadFile(Out("A.MP3")), (Bytes{'I', 'D', '3'}));
    EXPECT_FALSE(std::filesystem::exists(Out("A.wav")));
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 0);
    EXPECT_TRUE(LeftoverParts().empty());
}

// The overwrite question named the wave file, and the user agreed to its
// replacing, not to its removal after the conversion.
TEST_F(Mp3Phase, AWaveFileThatWasThereBeforeIsKept) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    dir_.Write("A.wav", {'o', 'l', 'd'});
    Convert(0);
    seam_.answers = {true};
    Run({Track("A", 0, 500), Track("B", 500, 900)});
    EXPECT_EQ(test::ReadFile(Out("A.MP3")), (Bytes{'I', 'D', '3'}));
    EXPECT_EQ(std::filesystem::file_size(Out("A.wav")), 46u + 4000u);
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 1);
    EXPECT_FALSE(std::filesystem::exists(Out("B.wav")));  // the job's own wave still goes
    EXPECT_EQ(job_.TracksSaved, 2u);
}

TEST_F(Mp3Phase, AFailureKeepsTheWaveAndSaysSo) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    Convert(503);
    Run({Track("A", 0, 500)});
    EXPECT_TRUE(std::filesystem::exists(Out("A.wav")));
    EXPECT_FALSE(std::filesystem::exists(Out("A.MP3")));
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 1);
    EXPECT_EQ(seam_.boxes,
              (std::vector<std::string>{"error: " + FormatText(text::kMp3ConversionFailed, {"A", Out("A.wav")})}));
    EXPECT_EQ(SaveEndText(job_), "Saved 0 of 1 track; 1 was not saved.");  // no MP3 file
    EXPECT_TRUE(LeftoverParts().empty());
}

TEST_F(Mp3Phase, ARefusedRateKeepsTheWaveWithoutASecondMessage) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    Convert(406);
    Run({Track("A", 0, 500)});
    EXPECT_TRUE(std::filesystem::exists(Out("A.wav")));
    EXPECT_TRUE(seam_.boxes.empty());  // the conversion showed 88/89 itself
}

TEST_F(Mp3Phase, AnAbortDuringTheConversionRemovesBothFiles) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    Convert(507);
    abortDuring_ = true;
    EXPECT_EQ(Run({Track("A", 0, 500), Track("B", 500, 900)}), SaveEnd::Aborted);
    EXPECT_FALSE(std::filesystem::exists(Out("A.wav")));
    EXPECT_FALSE(std::filesystem::exists(Out("A.MP3")));
    EXPECT_FALSE(std::filesystem::exists(Out("B.wav")));
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_TRUE(LeftoverParts().empty());
}

TEST_F(Mp3Phase, NoAndCancelForTheMp3NameKeepTheWave) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    dir_.Write("A.MP3", {'o', 'l', 'd'});
    Convert(0);
    seam_.answers = {false};
    Run({Track("A", 0, 500)});
    EXPECT_TRUE(converted_.empty());
    EXPECT_TRUE(std::filesystem::exists(Out("A.wav")));
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 1);
    EXPECT_EQ(test::ReadFile(Out("A.MP3")), (Bytes{'o', 'l', 'd'}));
}

TEST_F(Mp3Phase, TheTracksOwnWaveIsNeverTheMp3Name) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    Convert(0);
    // The MP3 name dialog answered with the wave file's own name.
    dir_.Write("A.MP3", {'o', 'l', 'd'});
    seam_.answers = {false};
    seam_.chosenNames = {Out("A.wav")};
    Run({Track("A", 0, 500)});
    EXPECT_TRUE(converted_.empty());
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 1);
    EXPECT_EQ(test::ReadFile(Out("A.wav")).size(), 46u + 4000u);
    EXPECT_EQ(seam_.boxes.back(), "error: " + FormatText(text::kMp3NameIsTrackWave, {Out("A.wav")}));
}

TEST_F(Mp3Phase, AWaveNamedLikeItsMp3IsNeverOfferedForOverwriting) {
    MakeSource({1, 1, 8000, 8}, Counting(8000));
    Convert(0);
    dir_.Write("B.wav", {'o', 'l', 'd'});
    seam_.answers = {false, true};
    seam_.chosenNames = {Out("B.MP3"), ""};
    Run({Track("B", 0, 500)});
    EXPECT_EQ(seam_.boxes, (std::vector<std::string>{"question: " + MessageText(MsgFileExistsPrefix) + Out("B.wav") +
                                                         MessageText(MsgFileExistsOverwrite),
                                                     "save dialog: " + Out("B.wav"), "save dialog: " + Out("B.MP3")}));
    EXPECT_EQ(test::ReadFile(Out("B.MP3")).size(), 46u + 4000u);
    EXPECT_TRUE(LeftoverParts().empty());
}

}  // namespace
}  // namespace quillon::engine

namespace quillon::engine {
namespace {

// What the window and the command line show during the MP3 phase: of the
// conversions not ended, the first to have begun.
TEST(ConversionList, TheFirstRunningIsTheFirstBegunOfThoseNotEnded) {
    ConversionList list;
    std::vector<std::shared_ptr<Mp3Conversion>> c;
    for (uint64_t n = 1; n <= 3; ++n) {
        c.push_back(std::make_shared<Mp3Conversion>());
        c.back()->Number = n;
        list.Add(c.back());
    }
    EXPECT_EQ(list.FirstRunning(), nullptr);  // handed over, none begun
    EXPECT_EQ(list.FirstRunningNumber(), 0u);
    c[1]->Started = true;
    EXPECT_EQ(list.FirstRunningNumber(), 2u);
    c[0]->Started = true;
    c[2]->Started = true;
    EXPECT_EQ(list.FirstRunningNumber(), 1u);
    EXPECT_EQ(list.Running(), 3u);
    list.Remove(*c[0]);
    EXPECT_EQ(list.FirstRunningNumber(), 2u);
    list.StopAll();
    for (const auto& conversion : c) EXPECT_EQ(conversion->Control.StopRequested(), conversion != c[0]);
    list.Remove(*c[1]);
    list.Remove(*c[2]);
    EXPECT_TRUE(list.Empty());
}

// A stop reaches the route's stop call whether it comes before or while the
// call is attached, and none is made once it is detached.
TEST(ConversionControl, PassesAStopOnToTheAttachedRoute) {
    int stops = 0;
    ConversionControl early;
    early.Report(40);
    EXPECT_EQ(early.Percent(), 40);
    early.RequestStop();
    early.Attach([&stops] { ++stops; }, [] { return 7; });
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(early.Percent(), 7);
    early.RequestStop();
    EXPECT_EQ(stops, 2);
    early.Detach();
    early.RequestStop();
    EXPECT_EQ(stops, 2);
    EXPECT_EQ(early.Percent(), 40);
    EXPECT_TRUE(early.StopRequested());
}

}  // namespace
}  // namespace quillon::engine
