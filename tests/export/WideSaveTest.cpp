// Saving tracks of wide recordings made by sox and ffmpeg: each track repeats
// its source's fmt chunk and copies its frames byte for byte, and the tools
// read it as they read the source. Track places count past 2^32 frames.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "analysis/TrackTimes.h"
#include "export/SaveJob.h"
#include "export/SourceCheck.h"
#include "export/TrackWriter.h"
#include "platform/DiskSpace.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"
#include "support/Tools.h"
#include "support/WideFormatsOn.h"

namespace quillon::engine {
namespace {

using test::Bytes;

TRACK_INFO_STRUCT Track(std::string name, uint32_t startMs, uint32_t stopMs) {
    return {std::move(name), FormatTime(startMs), FormatTime(stopMs), FormatTime(stopMs - startMs), 1, 0};
}

// The body of a top-level chunk of a small RIFF file ("" when absent).
Bytes ChunkBody(const Bytes& file, const char* id) {
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::size_t size = test::Le32(file, at + 4);
        if (std::memcmp(&file[at], id, 4) == 0)
            return Bytes(file.begin() + long(at) + 8, file.begin() + long(std::min(at + 8 + size, file.size())));
        at += 8 + size + (size & 1);
    }
    return {};
}

// Saves track out of source into the source's folder.
SaveEnd SaveOne(const std::string& source, const TRACK_INFO_STRUCT& track, test::RecordingSeam& seam) {
    SaveJob job;
    job.SourcePath = source;
    job.Tracks = {track};
    job.OutputFolder = source.substr(0, source.rfind('/') + 1);
    job.CheckedDurationMs = uint32_t(TimeTextToMs(track.Duration));
    job.State = JobRunning;
    return RunSaveJob(job, seam, {});
}

struct ToolSource {
    const char* name;
    const char* command;  // the tool, then its arguments; OUT stands for the file it makes
};

void PrintTo(const ToolSource& c, std::ostream* os) { *os << c.name; }

class WideSave : public ::testing::TestWithParam<ToolSource> {};

// 3 s of a tone; the track is 1000..2500 ms, frames 48000..120000 (44100..110250 at 44.1 kHz).
TEST_P(WideSave, TrackRepeatsTheFormatAndCopiesTheFrames) {
    const ToolSource& c = GetParam();
    std::string command = c.command;
    const std::string tool = command.substr(0, command.find(' '));
    if (!test::HasTool(tool)) GTEST_SKIP() << tool << " is not installed";
    const test::WideFormatsOn wide;
    test::TempDir dir;
    const std::string source = dir.path() + "/Side A.wav";
    command.replace(command.find("OUT"), 3, "'" + source + "'");
    ASSERT_NE(test::ToolOutput(command), "failed") << command;
    test::RecordingSeam seam;
    ASSERT_EQ(SaveOne(source, Track("T", 1000, 2500), seam), SaveEnd::Finished);
    ASSERT_TRUE(seam.boxes.empty()) << seam.boxes.front();

    const std::string track = dir.path() + "/T.wav";
    const Bytes in = test::ReadFile(source), out = test::ReadFile(track);
    const Bytes fmt = ChunkBody(in, "fmt ");
    ASSERT_GE(fmt.size(), 16u);
    EXPECT_EQ(ChunkBody(out, "fmt "), fmt);
    const uint32_t rate = test::Le32(fmt, 4), align = test::Le16(fmt, 12);
    const Bytes samples = ChunkBody(in, "data");
    const Bytes expected(samples.begin() + rate * align, samples.begin() + rate * align * 5 / 2);
    EXPECT_TRUE(ChunkBody(out, "data") == expected);
    EXPECT_EQ(test::Le32(out, 4), out.size() - 8);

    if (test::HasTool("sox")) {
        EXPECT_EQ(test::ToolOutput("sox --i -s '" + track + "'"), std::to_string(rate * 3 / 2));
    }
    if (test::HasTool("ffprobe")) {
        const auto probe = [](const std::string& file) {
            return test::ToolOutput(
                "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 '" + file + "'");
        };
        EXPECT_EQ(probe(track), probe(source));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, WideSave,
    ::testing::Values(
        ToolSource{"Pcm24Mono", "sox -n -t wavpcm -b 24 -r 48000 -c 1 OUT synth 3 sine 440 vol 0.5"},
        ToolSource{"Pcm32", "sox -n -t wavpcm -b 32 -e signed -r 48000 -c 2 OUT synth 3 sine 440 vol 0.5"},
        ToolSource{"Float", "sox -n -e floating-point -b 32 -r 44100 -c 2 OUT synth 3 sine 440 vol 0.5"},
        ToolSource{"Extensible24", "sox -n -b 24 -r 48000 -c 2 OUT synth 3 sine 440 vol 0.5"},
        ToolSource{"ExtensibleFloat",
                   "ffmpeg -v error -f lavfi -i sine=f=440:d=3:sample_rate=44100 -ac 2 -c:a pcm_f32le OUT"}),
    [](const ::testing::TestParamInfo<ToolSource>& c) { return std::string(c.param.name); });

// The first n bytes of a file too large to read whole.
Bytes ReadHead(const std::string& path, std::size_t n) {
    Bytes b(n);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(b.data()), std::streamsize(n));
    b.resize(std::size_t(in.gcount()));
    return b;
}

uint64_t Le64(const Bytes& b, std::size_t at) { return test::Le32(b, at) | uint64_t(test::Le32(b, at + 4)) << 32; }

// The kernel's copy in place of copy_file_range, as a sparse file system
// would make it: holes, not gigabytes of zeros.
int64_t CopyAsHoles(int, int64_t* inOffset, int outFd, int64_t* outOffset, std::size_t length, unsigned) {
    *inOffset += int64_t(length);
    *outOffset += int64_t(length);
    return ftruncate(outFd, *outOffset) == 0 ? int64_t(length) : -1;
}

// A track of 715,827,888 frames of 24-bit stereo: 4 GiB and 32 bytes of
// data, from a sparse RF64 recording of 715,830,000 frames.
TEST(Rf64Save, ATrackPastFourGiBIsRf64AndReadsBack) {
    if (platform::FreeBytes(std::filesystem::temp_directory_path().string()) < (int64_t(5) << 30))
        GTEST_SKIP() << "the save's free-space check wants 4.3 GB";
    const test::WideFormatsOn wide;
    test::TempDir dir;
    const Bytes fmtBody = test::ExtensibleFmtBody(2, 48000, 24, 24, 1);
    const uint64_t sourceBytes = uint64_t(715830000) * 6, frames = 715827888, bytes = frames * 6;
    const std::string source = dir.Write("Side A.wav", test::Rf64Wave(fmtBody, {}, "RF64", int64_t(sourceBytes)));
    std::filesystem::resize_file(source, std::filesystem::file_size(source) + sourceBytes);
    platform::mmioSetCopyRangeCall(&CopyAsHoles);
    test::RecordingSeam seam;
    const SaveEnd end = SaveOne(source, Track("Long", 0, 14913081), seam);
    platform::mmioSetCopyRangeCall(nullptr);
    ASSERT_EQ(end, SaveEnd::Finished);
    ASSERT_TRUE(seam.boxes.empty()) << seam.boxes.front();

    const std::string track = dir.path() + "/Long.wav";
    const Bytes head = ReadHead(track, 104);
    const uint64_t fileSize = std::filesystem::file_size(track);
    ASSERT_EQ(head.size(), 104u);
    EXPECT_EQ(std::string(head.begin(), head.begin() + 4), "RF64");
    EXPECT_EQ(test::Le32(head, 4), 0xFFFFFFFFu);  // in ds64
    EXPECT_EQ(std::string(head.begin() + 8, head.begin() + 16), "WAVEds64");
    EXPECT_EQ(test::Le32(head, 16), 28u);
    EXPECT_EQ(Le64(head, 20), fileSize - 8);  // RIFF size
    EXPECT_EQ(Le64(head, 28), bytes);         // data size
    EXPECT_EQ(Le64(head, 36), frames);        // sample frames
    EXPECT_EQ(test::Le32(head, 44), 0u);      // no table
    EXPECT_EQ(std::string(head.begin() + 48, head.begin() + 52), "fmt ");
    EXPECT_EQ(test::Le32(head, 52), 40u);
    EXPECT_EQ(Bytes(head.begin() + 56, head.begin() + 96), fmtBody);  // the source's extensible block
    EXPECT_EQ(std::string(head.begin() + 96, head.begin() + 100), "data");
    EXPECT_EQ(test::Le32(head, 100), 0xFFFFFFFFu);  // in ds64
    EXPECT_EQ(fileSize, 104 + bytes);

    platform::UniqueHmmio in;
    WaveFormat back;
    platform::MMCKINFO data;
    uint64_t size = 0;
    ASSERT_TRUE(OpenWaveFile(track, in, back, data, size, seam)) << seam.boxes.front();
    EXPECT_EQ(size, bytes);
    EXPECT_EQ(KindOf(back), SampleKind::Signed24);
    if (test::HasTool("ffprobe")) {
        EXPECT_EQ(test::ToolOutput("ffprobe -v error -show_entries stream=codec_name,duration_ts -of csv=p=0 '" +
                                   track + "'"),
                  "pcm_s24le," + std::to_string(frames));
    }
}

// 23,000,000 ms at 192 kHz is frame 4,416,000,000, past 2^32.
TEST(TrackPlace, CountsFramesPast32Bits) {
    Source source;
    source.format.nSamplesPerSec = 192000;
    source.format.nBlockAlign = 6;
    source.available = int64_t(4500000000) * 6;
    const TRACK_INFO_STRUCT far = Track("Far", 23000000, 23000010);
    const TrackBytes place = TrackPlace(far, source);
    EXPECT_EQ(place.offset, int64_t(4416000000) * 6);
    EXPECT_EQ(place.length, 1920 * 6);
    EXPECT_TRUE(HoldsAnalysedTracks(source, std::nullopt, {far}));
    EXPECT_FALSE(HoldsAnalysedTracks(source, std::nullopt, {Track("Past", 23000000, 23437501)}));
}

}  // namespace
}  // namespace quillon::engine
