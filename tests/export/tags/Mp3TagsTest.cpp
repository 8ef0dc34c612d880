// MP3 tags through a real save with the LAME route: the tags read back by
// ffprobe, today's file untouched while tagging is off, and a tag that cannot
// be written said once while the track is still saved.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "export/SaveJob.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/WaveToMP3.h"
#include "export/tags/Mp3Tags.h"
#include "support/RecordingSeam.h"
#include "support/TestTracks.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 44100;

// text in single quotes for the shell.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// ffprobe's tags of the file, one "TAG:key=value" line each.
std::set<std::string> ProbedTags(const std::string& file) {
    const std::string out = file + ".tags";
    const std::string command = "ffprobe -v error -show_entries format_tags -of default=nw=1 " + Quoted(file) + " > " +
                                Quoted(out) + " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(out);
    std::set<std::string> tags;
    for (std::string line; std::getline(in, line);) tags.insert(line);
    return tags;
}

class Mp3Tags : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLameLibraryFrom({QUILLON_LAME_SHIM}));
        test::Pcm pcm(16, 2);
        for (uint32_t at = 0; at < 4 * kRate; at += 40) pcm.Level(40, (at / 40) % 2 ? 3000 : -3000);
        source_ = dir_.Write("Side A.wav", test::PcmWave(test::Format{}, pcm.bytes()));
        hooks_.ConvertToMp3 = [](SaveJob& job, Mp3Conversion& conversion, WindowSeam& seam) {
            return ConvertToMp3(job.CodecName, conversion.WaveName, conversion.TempName, job.BitRate, seam, {},
                                conversion.Control);
        };
    }

    // Saves two tracks, A and B, as MP3 into the folder out.
    SaveEnd Run(SaveJob& job, const std::string& out, test::RecordingSeam& seam) {
        fs::create_directory(out);
        job.SourcePath = source_;
        if (job.Tracks.empty()) job.Tracks = {test::SecondsTrack("A", 0, 2), test::SecondsTrack("B", 2, 4)};
        job.OutputFolder = out + "/";
        job.SaveAsMp3 = true;
        job.CodecName = kLameCodecName;
        job.BitRate = 128;
        job.EncoderThreads = 2;
        for (const auto& t : job.Tracks) job.CheckedDurationMs += uint32_t(TimeTextToMs(t.Duration));
        job.State = JobRunning;
        return RunSaveJob(job, seam, hooks_);
    }

    test::TempDir dir_;
    std::string source_;
    SaveHooks hooks_;
};

TEST_F(Mp3Tags, ASavedFileCarriesItsTagsAsId3v24) {
    if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is missing";
    SaveJob job;
    job.Tracks = {test::SecondsTrack("AC-DC 'Live'", 0, 2), test::SecondsTrack("B", 2, 4)};
    job.Tracks[0].Title = "AC/DC \"Live\"";
    job.Details = {"\u00C9lise", "", "1977-05-08", "Jazz", 3};  // no album: the recording's name
    job.TagMp3 = true;
    hooks_.TagMp3 = &TagMp3Conversion;
    test::RecordingSeam seam;
    const std::string out = dir_.path() + "/out";
    ASSERT_EQ(Run(job, out, seam), SaveEnd::Finished);
    EXPECT_TRUE(seam.boxes.empty());
    const std::string first = out + "/AC-DC 'Live'.MP3";
    EXPECT_EQ(ProbedTags(first),
              (std::set<std::string>{"TAG:title=AC/DC \"Live\"", "TAG:artist=\u00C9lise", "TAG:album=Side A",
                                     "TAG:date=1977-05-08", "TAG:genre=Jazz", "TAG:track=3/2"}));
    EXPECT_EQ(ProbedTags(out + "/B.MP3"),
              (std::set<std::string>{"TAG:title=B", "TAG:artist=\u00C9lise", "TAG:album=Side A", "TAG:date=1977-05-08",
                                     "TAG:genre=Jazz", "TAG:track=4/2"}));
    const test::Bytes bytes = test::ReadFile(first);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), std::string("ID3\x04", 4)) << "ID3v2.4";
    EXPECT_TRUE(test::PartFiles(out).empty());
}

TEST_F(Mp3Tags, WithTaggingOffTheFileIsTheEncodersOwn) {
    test::RecordingSeam seam;
    SaveJob plain;
    ASSERT_EQ(Run(plain, dir_.path() + "/plain", seam), SaveEnd::Finished);
    bool called = false;
    hooks_.TagMp3 = [&called](SaveJob&, const Mp3Conversion&) { return called = true; };
    SaveJob off;
    off.Details.Artist = "Someone";
    ASSERT_EQ(Run(off, dir_.path() + "/off", seam), SaveEnd::Finished);
    EXPECT_FALSE(called);
    EXPECT_TRUE(seam.boxes.empty());
    for (const char* name : {"/A.MP3", "/B.MP3"}) {
        const test::Bytes bytes = test::ReadFile(dir_.path() + "/off" + name);
        EXPECT_GT(bytes.size(), 1000u) << name;
        EXPECT_TRUE(bytes == test::ReadFile(dir_.path() + "/plain" + name)) << name;
    }
}

TEST_F(Mp3Tags, ATagThatCannotBeWrittenIsSaidAndTheTrackStillSaved) {
    hooks_.TagMp3 = [](SaveJob&, const Mp3Conversion& conversion) { return conversion.Track != 1; };
    SaveJob job;
    job.TagMp3 = true;
    test::RecordingSeam seam;
    const std::string out = dir_.path() + "/out";
    ASSERT_EQ(Run(job, out, seam), SaveEnd::Finished);
    EXPECT_EQ(seam.boxes,
              (std::vector<std::string>{"error: " + FormatText(text::kMp3TagsFailed, {out + "/B.MP3", "B"})}));
    EXPECT_GT(fs::file_size(out + "/B.MP3"), 1000u);
    EXPECT_EQ(job.TracksSaved.load(), 2u);
    EXPECT_TRUE(test::PartFiles(out).empty());
}

}  // namespace
}  // namespace quillon::engine
