// The FLAC save with the real encoder on several threads: each file decodes
// to its track's bytes and carries its comments, a question is asked as for
// a wave, an abort with two encodings running leaves no file, one failed
// encoding keeps the others, and a floating-point recording is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "export/SaveJob.h"
#include "export/flac/FlacSave.h"
#include "support/RecordingSeam.h"
#include "support/TestTracks.h"
#include "support/TestWave.h"
#include "support/WideFormatsOn.h"

namespace quillon::engine {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrameBytes = 4;

int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

class FlacSave : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(out_); }

    // seconds of 16-bit stereo noise: every byte of a track counts.
    void MakeSource(uint32_t seconds, test::Format format = {}) {
        std::mt19937 random(3);
        samples_.resize(std::size_t(seconds) * kRate * kFrameBytes);
        for (auto& b : samples_) b = uint8_t(random() >> 3);
        source_ = dir_.Write("Side B.wav", test::PcmWave(format, samples_));
    }

    SaveEnd Run(SaveJob& job, const TrackList& tracks, test::RecordingSeam& seam) {
        job.SourcePath = source_;
        job.Tracks = tracks;
        job.OutputFolder = out_ + "/";
        job.SaveAsFlac = true;
        job.EncoderThreads = 2;
        for (const auto& t : job.Tracks) job.CheckedDurationMs += uint32_t(TimeTextToMs(t.Duration));
        job.State = JobRunning;
        if (!hooks_.EncodeFlac) hooks_.EncodeFlac = &EncodeFlacConversion;
        return RunSaveJob(job, seam, hooks_);
    }

    std::string Out(const std::string& name) const { return out_ + "/" + name; }

    std::vector<std::string> Files() const { return test::FileNames(out_); }

    // The decoded data bytes of a FLAC file, through the reference decoder.
    Bytes Decoded(const std::string& flac) const {
        const std::string raw = flac + ".raw";
        EXPECT_EQ(
            Shell("flac -d -f -s --force-raw-format --endian=little --sign=signed -o '" + raw + "' '" + flac + "'"), 0);
        const Bytes bytes = test::ReadFile(raw);
        fs::remove(raw);
        return bytes;
    }

    Bytes Slice(uint32_t startS, uint32_t stopS) const {
        return Bytes(samples_.begin() + startS * kRate * kFrameBytes, samples_.begin() + stopS * kRate * kFrameBytes);
    }

    test::TempDir dir_;
    std::string out_ = dir_.path() + "/out";
    std::string source_;
    Bytes samples_;
    SaveHooks hooks_;
};

TEST_F(FlacSave, EachFileDecodesToItsTrackAndCarriesItsComments) {
    MakeSource(8);
    const TrackList tracks{test::SecondsTrack("A", 0, 2), test::SecondsTrack("B", 2, 3), test::SecondsTrack("C", 3, 6),
                           test::SecondsTrack("D", 6, 8)};
    dir_.Write("out/B.flac", {'o', 'l', 'd'});
    test::RecordingSeam seam;
    seam.answers = {false};  // B: not replaced, and the dialog that follows is cancelled
    SaveJob job;
    job.Details.Artist = "\u00C9lise";
    job.Details.Year = "1977-05-08";
    job.Details.FirstNumber = 5;  // no album and no genre: the recording's name, and none
    TrackList titled = tracks;
    titled[2].Title = "AC/DC \"Live\"";
    for (auto& t : titled) t.Outdated = kAllOutdated;
    EXPECT_EQ(Run(job, titled, seam), SaveEnd::Finished);
    EXPECT_EQ(seam.boxes, (std::vector<std::string>{"question: " + MessageText(MsgFileExistsPrefix) + Out("B.flac") +
                                                        MessageText(MsgFileExistsOverwrite),
                                                    "save dialog: " + Out("B.flac")}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"A.flac", "B.flac", "C.flac", "D.flac"}));
    EXPECT_EQ(test::ReadFile(Out("B.flac")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(job.TracksSaved.load(), 3u);
    for (const auto& t : job.Tracks) EXPECT_EQ(t.WaveSaved, 0) << "no wave was written";
    for (std::size_t i = 0; i < 4; ++i)  // B's old file is still there
        EXPECT_EQ(job.Tracks[i].Outdated, i == 1 ? kAllOutdated : OutdatedWave | OutdatedMp3) << i;
    EXPECT_TRUE(Decoded(Out("A.flac")) == Slice(0, 2));
    EXPECT_TRUE(Decoded(Out("C.flac")) == Slice(3, 6));
    EXPECT_TRUE(Decoded(Out("D.flac")) == Slice(6, 8));
    const auto tags = [this](const std::string& flac) {
        const std::string file = Out(flac + ".txt");
        EXPECT_EQ(Shell("metaflac --export-tags-to='" + file + "' '" + Out(flac) + "'"), 0);
        return Text(test::ReadFile(file));
    };
    EXPECT_EQ(tags("C.flac"),
              "TITLE=AC/DC \"Live\"\nARTIST=\u00C9lise\nALBUM=Side B\nDATE=1977-05-08\nTRACKNUMBER=7\nTRACKTOTAL=4\n");
    EXPECT_EQ(tags("D.flac"),
              "TITLE=D\nARTIST=\u00C9lise\nALBUM=Side B\nDATE=1977-05-08\nTRACKNUMBER=8\nTRACKTOTAL=4\n");
}

// Two encodings run when the abort comes: both stop, and neither leaves a file.
TEST_F(FlacSave, AnAbortWithTwoEncodingsRunningLeavesNoFile) {
    MakeSource(6);
    const TrackList tracks{test::SecondsTrack("One", 0, 2), test::SecondsTrack("Two", 2, 4),
                           test::SecondsTrack("Three", 4, 6)};
    std::atomic<int> running{0};
    SaveJob job;
    hooks_.EncodeFlac = [&running](SaveJob& j, Mp3Conversion& c, int fd, const WaveFormat& f) {
        ++running;
        if (c.Track == 1) {
            while (running.load() < 2) std::this_thread::yield();
            j.MarkAborted();
            j.StopConversions();
        }
        while (!j.AbortRequested.load()) std::this_thread::yield();
        return EncodeFlacConversion(j, c, fd, f);
    };
    test::RecordingSeam seam;
    EXPECT_EQ(Run(job, tracks, seam), SaveEnd::Aborted);
    EXPECT_EQ(running.load(), 2) << "Three never began";
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_TRUE(Files().empty());
    EXPECT_TRUE(job.Conversions.Empty());
}

TEST_F(FlacSave, OneFailedEncodingKeepsTheOthers) {
    MakeSource(6);
    const TrackList tracks{test::SecondsTrack("One", 0, 2), test::SecondsTrack("Two", 2, 4),
                           test::SecondsTrack("Three", 4, 6)};
    hooks_.EncodeFlac = [](SaveJob& j, Mp3Conversion& c, int fd, const WaveFormat& f) {
        if (c.Track == 1) c.SourceLength = int64_t(1) << 40;  // more than the recording holds
        return EncodeFlacConversion(j, c, fd, f);
    };
    test::RecordingSeam seam;
    SaveJob job;
    EXPECT_EQ(Run(job, tracks, seam), SaveEnd::Finished);
    EXPECT_EQ(seam.boxes,
              (std::vector<std::string>{
                  "error: " + FormatText(text::kFlacEncodeFailed, {"Two", "the recording could not be read"})}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"One.flac", "Three.flac"}));
    EXPECT_EQ(job.TracksSaved.load(), 2u);
}

TEST_F(FlacSave, RefusesAFloatingPointRecordingBeforeAsking) {
    const test::WideFormatsOn wide;
    test::Format f;
    f.tag = 3;
    f.bits = 32;
    f.channels = 1;
    MakeSource(2, f);
    test::RecordingSeam seam;
    SaveJob job;
    EXPECT_EQ(Run(job, {test::SecondsTrack("A", 0, 1)}, seam), SaveEnd::Finished);
    EXPECT_EQ(seam.boxes, (std::vector<std::string>{"error: " + std::string(text::kFlacNoFloat)}));
    EXPECT_TRUE(Files().empty());
}

}  // namespace
}  // namespace quillon::engine
