// The save job when the world changes under it: a file size limit reached
// part-way, the output folder or the source taken away, and an abort after
// every block; and the kernel copy of the track data against the copy through
// memory it falls back to, where a file system refuses it or copies short.
// Each case checks what the user is told, that no file stands under a track's
// name unless it is complete and byte-exact, that no temporary file is left,
// and that the source is untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "analysis/SilenceDetect.h"
#include "analysis/TrackTimes.h"
#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "export/SaveJob.h"
#include "platform/Mmio.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

constexpr uint32_t kBytesPerSecond = 44100 * 4;  // 16-bit stereo

// How the track data is copied: the kernel's copy_file_range, or a stand-in
// for it that refuses (as across file systems, or where the call is missing),
// copies short, refuses after the first block, or sees nothing to copy (as
// for a file whose size the kernel does not know).
enum class Copy { Kernel, Refused, Missing, Short, RefusedAfterOneCall, SeesNothing };

std::atomic<int> gCopyCalls{0};

int64_t KernelCopy(int in, int64_t* inOffset, int out, int64_t* outOffset, std::size_t length, unsigned flags) {
    ++gCopyCalls;
    return int64_t(copy_file_range(in, reinterpret_cast<off_t*>(inOffset), out, reinterpret_cast<off_t*>(outOffset),
                                   length, flags));
}
int64_t RefuseAcrossFileSystems(int, int64_t*, int, int64_t*, std::size_t, unsigned) {
    ++gCopyCalls;
    errno = EXDEV;
    return -1;
}
int64_t CallMissing(int, int64_t*, int, int64_t*, std::size_t, unsigned) {
    ++gCopyCalls;
    errno = ENOSYS;
    return -1;
}
int64_t CopyShort(int in, int64_t* inOffset, int out, int64_t* outOffset, std::size_t length, unsigned flags) {
    return KernelCopy(in, inOffset, out, outOffset, std::min<std::size_t>(length, 65537), flags);
}
int64_t RefuseAfterOneCall(int in, int64_t* inOffset, int out, int64_t* outOffset, std::size_t length, unsigned flags) {
    if (gCopyCalls.load() == 0) return KernelCopy(in, inOffset, out, outOffset, length, flags);
    return RefuseAcrossFileSystems(in, inOffset, out, outOffset, length, flags);
}
int64_t SeeNothing(int, int64_t*, int, int64_t*, std::size_t, unsigned) {
    ++gCopyCalls;
    return 0;
}

platform::CopyRangeCall CallFor(Copy copy) {
    switch (copy) {
    case Copy::Kernel: return &KernelCopy;
    case Copy::Refused: return &RefuseAcrossFileSystems;
    case Copy::Missing: return &CallMissing;
    case Copy::Short: return &CopyShort;
    case Copy::RefusedAfterOneCall: return &RefuseAfterOneCall;
    case Copy::SeesNothing: return &SeeNothing;
    }
    return nullptr;
}

std::string CopyName(Copy copy) {
    switch (copy) {
    case Copy::Kernel: return "Kernel";
    case Copy::Refused: return "Refused";
    case Copy::Missing: return "Missing";
    case Copy::Short: return "Short";
    case Copy::RefusedAfterOneCall: return "RefusedAfterOneCall";
    case Copy::SeesNothing: return "SeesNothing";
    }
    return {};
}

// Puts a copy call in place for the life of the object.
class CopyCall {
public:
    explicit CopyCall(Copy copy) {
        gCopyCalls = 0;
        platform::mmioSetCopyRangeCall(CallFor(copy));
    }
    ~CopyCall() { platform::mmioSetCopyRangeCall(nullptr); }
    CopyCall(const CopyCall&) = delete;
    CopyCall& operator=(const CopyCall&) = delete;
};

TRACK_INFO_STRUCT SecondsTrack(std::string name, uint32_t startS, uint32_t stopS) {
    return {std::move(name),
            FormatTime(startS * 1000),
            FormatTime(stopS * 1000),
            FormatTime((stopS - startS) * 1000),
            1,
            0};
}

class SaveFaultTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(out_); }

    // seconds of 16-bit stereo 44.1 kHz whose bytes differ from frame to frame.
    void MakeSource(uint32_t seconds) {
        samples_.resize(std::size_t(seconds) * kBytesPerSecond);
        for (std::size_t i = 0; i < samples_.size(); ++i) samples_[i] = uint8_t(i * 7 + i / 251);
        original_ = test::PcmWave(test::Format{1, 2, 44100, 16}, samples_);
        source_ = dir_.Write("Side A.wav", original_);
    }

    SaveEnd Run(TrackList tracks) {
        job_.SourcePath = source_;
        job_.Tracks = std::move(tracks);
        job_.OutputFolder = out_ + "/";
        for (const auto& t : job_.Tracks) job_.CheckedDurationMs += uint32_t(TimeTextToMs(t.Duration));
        job_.State = JobRunning;
        return RunSaveJob(job_, seam_, hooks_);
    }

    std::string Out(const std::string& track) const { return out_ + "/" + track + ".wav"; }

    // The track's file holds exactly the source's bytes for its seconds.
    void ExpectComplete(const std::string& track, uint32_t startS, uint32_t stopS) const {
        const Bytes file = test::ReadFile(Out(track));
        const auto begin = samples_.begin() + std::ptrdiff_t(startS * kBytesPerSecond);
        const std::size_t length = std::size_t(stopS - startS) * kBytesPerSecond;
        ASSERT_EQ(file.size(), 46 + length) << track;
        EXPECT_TRUE(std::equal(begin, begin + std::ptrdiff_t(length), file.begin() + 46)) << track;
    }

    // The whole file, header and all, as the wave writer lays it out.
    void ExpectExact(const std::string& path, uint32_t startS, uint32_t stopS) const {
        const auto begin = samples_.begin() + std::ptrdiff_t(startS * kBytesPerSecond);
        const Bytes samples(begin, begin + std::ptrdiff_t(std::size_t(stopS - startS) * kBytesPerSecond));
        EXPECT_TRUE(test::ReadFile(path) == test::PcmWave(test::Format{1, 2, 44100, 16, 0, 18}, samples)) << path;
    }

    // Nothing but complete tracks in the output folder, and the source as it
    // was unless the case itself changed it.
    void ExpectNoDebris(const std::vector<std::string>& complete, bool sourceKept = true) const {
        std::vector<std::string> names;
        if (fs::exists(out_)) {
            for (const auto& e : fs::directory_iterator(out_)) names.push_back(e.path().filename().string());
        }
        std::vector<std::string> expected;
        for (const auto& t : complete) expected.push_back(t + ".wav");
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        if (sourceKept && fs::exists(source_)) {
            EXPECT_TRUE(test::ReadFile(source_) == original_) << "the source changed";
        }
    }

    test::TempDir dir_;
    std::string out_ = dir_.path() + "/out";
    Bytes samples_, original_;
    std::string source_;
    SaveJob job_;
    SaveHooks hooks_;
    test::RecordingSeam seam_;
};

class EitherCopy : public SaveFaultTest, public ::testing::WithParamInterface<Copy> {
protected:
    CopyCall call_{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(KernelOrMemory, EitherCopy, ::testing::Values(Copy::Kernel, Copy::Refused),
                         [](const auto& param) { return CopyName(param.param); });

TEST_P(EitherCopy, AWriteStoppedByTheFileSizeLimitSkipsOnlyThatTrack) {
    MakeSource(30);
    {
        const test::FileSizeLimit limit(3 * 1024 * 1024);  // 2 s fit, 20 s do not
        EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Long", 2, 22), SecondsTrack("Three", 22, 24)}),
                  SaveEnd::Finished);
    }
    EXPECT_EQ(seam_.boxes, std::vector<std::string>{
                               "error: " + FormatText(text::kCannotWriteFile, {Out("Long"), std::strerror(EFBIG)})});
    ExpectComplete("One", 0, 2);
    ExpectComplete("Three", 22, 24);
    EXPECT_EQ(job_.Tracks[1].WaveSaved, 0);
    EXPECT_EQ(job_.Tracks[2].WaveSaved, 1);
    ExpectNoDebris({"One", "Three"});
}

struct FolderRemoval {
    const char* name;
    bool afterFirstFile;  // else during the second track's first block
};

class OutputFolderRemoved : public SaveFaultTest, public ::testing::WithParamInterface<FolderRemoval> {};

TEST_P(OutputFolderRemoved, IsReportedOnceAndEndsTheJob) {
    MakeSource(80);
    if (GetParam().afterFirstFile) {
        hooks_.FileWritten = [this](std::size_t, const std::string&) { fs::remove_all(out_); };
    } else {
        hooks_.FileWritten = [this](std::size_t, const std::string&) {
            hooks_.Progress = [this](int) { fs::remove_all(out_); };
        };
    }
    EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 40), SecondsTrack("Three", 40, 42)}),
              SaveEnd::Finished);
    EXPECT_EQ(seam_.boxes, std::vector<std::string>{"error: " + MessageText(MsgOutputFolderMissing)});
    EXPECT_EQ(job_.Tracks[1].WaveSaved, 0);
    EXPECT_EQ(job_.Tracks[2].WaveSaved, 0);
    EXPECT_EQ(job_.State, JobFinished);
    EXPECT_FALSE(fs::exists(out_));  // nothing made it again
    ExpectNoDebris({});
}

INSTANTIATE_TEST_SUITE_P(Moments, OutputFolderRemoved,
                         ::testing::Values(FolderRemoval{"BetweenTracks", true}, FolderRemoval{"MidTrack", false}),
                         [](const auto& param) { return std::string(param.param.name); });

// A write the kernel refuses with one error, every time.
std::atomic<int> gWriteError{0};
int64_t FailWithTheError(int, int64_t*, int, int64_t*, std::size_t, unsigned) {
    errno = gWriteError.load();
    return -1;
}

struct WriteFailure {
    const char* name;
    int error;
    bool endsTheJob;  // the output folder's failure, else the track's own
};

class AWriteFails : public SaveFaultTest, public ::testing::WithParamInterface<WriteFailure> {
protected:
    void SetUp() override {
        SaveFaultTest::SetUp();
        gWriteError = GetParam().error;
        platform::mmioSetCopyRangeCall(&FailWithTheError);
    }
    void TearDown() override { platform::mmioSetCopyRangeCall(nullptr); }
};

TEST_P(AWriteFails, IsReportedOnceWhenEveryLaterTrackWouldFailToo) {
    MakeSource(6);
    EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 4), SecondsTrack("Three", 4, 6)}),
              SaveEnd::Finished);
    const auto box = [this](const char* track) {
        return "error: " + FormatText(text::kCannotWriteFile, {Out(track), std::strerror(GetParam().error)});
    };
    if (GetParam().endsTheJob) {
        EXPECT_EQ(seam_.boxes, std::vector<std::string>{box("One")});
    } else {
        EXPECT_EQ(seam_.boxes, (std::vector<std::string>{box("One"), box("Two"), box("Three")}));
    }
    EXPECT_EQ(job_.TracksSaved, 0u);
    ExpectNoDebris({});
}

INSTANTIATE_TEST_SUITE_P(Errors, AWriteFails,
                         ::testing::Values(WriteFailure{"DiskFull", ENOSPC, true},
                                           WriteFailure{"QuotaReached", EDQUOT, true},
                                           WriteFailure{"ReadOnly", EROFS, true},
                                           WriteFailure{"InputOutput", EIO, false}),
                         [](const auto& param) { return std::string(param.param.name); });

// Root may write anywhere: run as root, the save runs in a child process
// that has become an ordinary user, for whom the folder is closed.
TEST_F(SaveFaultTest, AFolderClosedToNewFilesIsReportedOnce) {
    MakeSource(6);
    const auto save = [this] {
        Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 4)});
        return seam_.boxes == std::vector<std::string>{
                                  "error: " + FormatText(text::kCannotWriteFile, {Out("One"), std::strerror(EACCES)})};
    };
    if (geteuid() != 0) {
        fs::permissions(out_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_TRUE(save()) << testing::PrintToString(seam_.boxes);
        fs::permissions(out_, fs::perms::owner_all);
        return;
    }
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        const bool dropped = setgid(kNobody) == 0 && setuid(kNobody) == 0;
        _exit(dropped && save() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "more than one message, or another";
    ExpectNoDebris({});
}

TEST_F(SaveFaultTest, ANameChosenInAMissingFolderFailsOnlyItsTrack) {
    MakeSource(6);
    const Bytes earlier{1, 2, 3};
    (void)dir_.Write("out/One.wav", earlier);
    seam_.answers = {false};  // keep the earlier One.wav, then name it elsewhere
    const std::string elsewhere = dir_.path() + "/no such folder/One.wav";
    seam_.chosenNames = {elsewhere};
    EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 4), SecondsTrack("Three", 4, 6)}),
              SaveEnd::Finished);
    ASSERT_EQ(seam_.boxes.size(), 3u);
    EXPECT_EQ(seam_.boxes[2], "error: " + FormatText(text::kCannotWriteFile, {elsewhere, std::strerror(ENOENT)}));
    EXPECT_EQ(test::ReadFile(Out("One")), earlier);
    ExpectComplete("Two", 2, 4);
    ExpectComplete("Three", 4, 6);
    EXPECT_EQ(job_.Tracks[0].WaveSaved, 0);
    ExpectNoDebris({"One", "Two", "Three"});
}

TEST_P(EitherCopy, ASourceCutShortDuringTheSaveStopsItWithoutAPartialTrack) {
    // Track Two is 68 s, about 11.4 MiB; the reader is at most one 4 MiB
    // block ahead, so a cut after the first block shows in this track.
    MakeSource(80);
    hooks_.FileWritten = [this](std::size_t, const std::string&) {
        hooks_.Progress = [this](int) { fs::resize_file(source_, 1024); };
    };
    EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 70), SecondsTrack("Three", 70, 72)}),
              SaveEnd::Finished);
    EXPECT_EQ(seam_.boxes, std::vector<std::string>{"error: " + FormatText(text::kSourceLost, {source_, "Two"})});
    ExpectComplete("One", 0, 2);
    EXPECT_EQ(job_.Tracks[1].WaveSaved, 0);
    EXPECT_EQ(job_.Tracks[2].WaveSaved, 0);  // not tried: the source is no longer what was analysed
    ExpectNoDebris({"One"}, false);
}

// What may happen to the recording between the analysis and the save. The
// audio is cut short, or the file is another one; appending a chunk (as a tag
// editor does) or touching it leaves the audio as it was.
enum class Change { Truncated, ReplacedByRename, RewrittenLonger, ChunkAppended, Touched };

struct ChangeCase {
    Change change;
    bool refused;
};

class SourceChangedSinceTheAnalysis : public SaveFaultTest, public ::testing::WithParamInterface<ChangeCase> {
protected:
    std::optional<SourceIdentity> Identity() const {
        test::RecordingSeam quiet;
        WaveFormat format;
        platform::UniqueHmmio file;
        platform::MMCKINFO data{};
        uint64_t size = 0;
        if (!OpenWaveFile(source_, file, format, data, size, quiet)) return std::nullopt;
        return IdentifySource(file.get(), data);
    }
    void Apply(Change change) const {
        switch (change) {
        case Change::Truncated: fs::resize_file(source_, fs::file_size(source_) - kBytesPerSecond); break;
        case Change::ReplacedByRename: {
            const std::string other = dir_.Write("other.wav", original_);
            fs::rename(other, source_);
            break;
        }
        case Change::RewrittenLonger: {
            Bytes longer = samples_;
            longer.resize(samples_.size() + kBytesPerSecond);
            test::TempDir::WriteAt(source_, test::PcmWave(test::Format{1, 2, 44100, 16}, longer));
            break;
        }
        case Change::ChunkAppended: {
            Bytes tagged = test::Riff({test::Chunk("fmt ", test::FmtBody(test::Format{1, 2, 44100, 16})),
                                       test::Chunk("data", samples_), test::Chunk("LIST", Bytes(40, 'x'))});
            test::TempDir::WriteAt(source_, tagged);
            break;
        }
        case Change::Touched: fs::last_write_time(source_, fs::file_time_type::clock::now() + std::chrono::hours(1));
        }
    }
};

TEST_P(SourceChangedSinceTheAnalysis, IsRefusedBeforeAnythingIsWritten) {
    MakeSource(6);
    job_.Analysed = Identity();
    ASSERT_TRUE(job_.Analysed);
    Apply(GetParam().change);
    const Bytes before = test::ReadFile(source_);
    EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 6)}), SaveEnd::Finished);
    if (GetParam().refused) {
        EXPECT_EQ(seam_.boxes, std::vector<std::string>{"error: " + FormatText(text::kSourceLost, {source_, "One"})});
        EXPECT_EQ(job_.Tracks[0].WaveSaved + job_.Tracks[1].WaveSaved, 0);
        ExpectNoDebris({}, false);
    } else {
        EXPECT_TRUE(seam_.boxes.empty());
        ExpectComplete("One", 0, 2);
        ExpectComplete("Two", 2, 6);
    }
    EXPECT_TRUE(test::ReadFile(source_) == before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(Changes, SourceChangedSinceTheAnalysis,
                         ::testing::Values(ChangeCase{Change::Truncated, true},
                                           ChangeCase{Change::ReplacedByRename, true},
                                           ChangeCase{Change::RewrittenLonger, true},
                                           ChangeCase{Change::ChunkAppended, false},
                                           ChangeCase{Change::Touched, false}));

// The analysis times its last track from the frames the file holds, rounded
// to the millisecond; the save's bound must accept that time for the very
// file it was found in, whatever the rounding.
class UnchangedSource : public ::testing::TestWithParam<uint32_t> {};

TEST_P(UnchangedSource, SavesEveryTrackTheAnalysisFound) {
    const uint32_t frames = GetParam();
    test::TempDir dir;
    const std::string path = dir.Write(
        "side.wav", test::PcmWave(test::Format{1, 1, 44100, 16}, test::Pcm(16, 1).Loud(frames).bytes()));
    AnalysisJob analysis;
    TrackList tracks;
    AnalysisReport report;
    test::RecordingSeam seam;
    AnalyzeWaveFile(path, 10, 2000, analysis, tracks, seam, &report);
    ASSERT_EQ(tracks.size(), 1u);
    SaveJob job;
    job.SourcePath = path;
    job.Tracks = tracks;
    job.Tracks[0].Checked = 1;
    job.Analysed = report.Source;
    job.OutputFolder = dir.path() + "/";
    job.State = JobRunning;
    EXPECT_EQ(RunSaveJob(job, seam, SaveHooks{}), SaveEnd::Finished);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(job.Tracks[0].WaveSaved, 1);
}

// 88230 frames is 2000.68 ms, timed 2001 ms, which converts back to 88244 frames.
INSTANTIATE_TEST_SUITE_P(FrameCounts, UnchangedSource, ::testing::Values(88230u, 88200u, 88221u, 44122u));

TEST_F(SaveFaultTest, ASourceRemovedDuringTheSaveIsStillReadToTheEnd) {
    MakeSource(30);
    hooks_.FileWritten = [this](std::size_t, const std::string&) { fs::remove(source_); };
    EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 28)}), SaveEnd::Finished);
    EXPECT_TRUE(seam_.boxes.empty());
    ExpectComplete("One", 0, 2);
    ExpectComplete("Two", 2, 28);
    ExpectNoDebris({"One", "Two"});
}

// Two tracks of 12 s (about 2 MiB: block 1) and 50 s (8.4 MiB: blocks 2, 3
// and 4, of 4, 4 and 0.4 MiB). Abort is pressed after block n of the whole
// save; 0 is before the job begins. After the last block of a track it is too
// late for that track, which is then complete. The kernel copy is checked
// between its blocks as the copy through memory is.
class AbortAfterBlock : public SaveFaultTest, public ::testing::WithParamInterface<std::tuple<int, Copy>> {};

TEST_P(AbortAfterBlock, LeavesOnlyCompleteTracks) {
    MakeSource(62);
    const int n = std::get<0>(GetParam());
    const CopyCall call(std::get<1>(GetParam()));
    int blocks = 0;
    if (n == 0) job_.MarkAborted();
    hooks_.Progress = [this, &blocks, n](int) {
        if (++blocks == n) job_.MarkAborted();
    };
    const SaveEnd end = Run({SecondsTrack("Short", 0, 12), SecondsTrack("Long", 12, 62)});
    const bool shortDone = n != 0;
    const bool longDone = n >= 4;
    EXPECT_EQ(end, longDone ? SaveEnd::Finished : SaveEnd::Aborted);
    EXPECT_TRUE(seam_.boxes.empty());
    std::vector<std::string> complete;
    if (shortDone) {
        ExpectComplete("Short", 0, 12);
        complete.push_back("Short");
    }
    if (longDone) {
        ExpectComplete("Long", 12, 62);
        complete.push_back("Long");
    }
    EXPECT_EQ(job_.Tracks[0].WaveSaved, shortDone ? 1 : 0);
    EXPECT_EQ(job_.Tracks[1].WaveSaved, longDone ? 1 : 0);
    ExpectNoDebris(complete);
}

INSTANTIATE_TEST_SUITE_P(EveryBlock, AbortAfterBlock,
                         ::testing::Combine(::testing::Range(0, 6), ::testing::Values(Copy::Kernel, Copy::Refused)),
                         [](const auto& param) {
                             return CopyName(std::get<1>(param.param)) + std::to_string(std::get<0>(param.param));
                         });

// Every way the copy can go writes the same bytes: the kernel's copy, the copy
// through memory where it is refused, short copies, a refusal after the first
// block, and a kernel that sees nothing to copy. Track Two spans two blocks.
class EveryCopy : public SaveFaultTest, public ::testing::WithParamInterface<Copy> {};

TEST_P(EveryCopy, WritesTheSameBytes) {
    MakeSource(30);
    {
        const CopyCall call(GetParam());
        EXPECT_EQ(Run({SecondsTrack("One", 0, 2), SecondsTrack("Two", 2, 26), SecondsTrack("Three", 26, 30)}),
                  SaveEnd::Finished);
        EXPECT_GT(gCopyCalls.load(), 0);
    }
    EXPECT_TRUE(seam_.boxes.empty());
    ExpectExact(Out("One"), 0, 2);
    ExpectExact(Out("Two"), 2, 26);
    ExpectExact(Out("Three"), 26, 30);
    ExpectNoDebris({"One", "Two", "Three"});
}

INSTANTIATE_TEST_SUITE_P(Ways, EveryCopy,
                         ::testing::Values(Copy::Kernel, Copy::Refused, Copy::Missing, Copy::Short,
                                           Copy::RefusedAfterOneCall, Copy::SeesNothing),
                         [](const auto& param) { return CopyName(param.param); });

// The kernel copy and the copy through memory, each into a folder of its own,
// give the same files byte for byte.
TEST_F(SaveFaultTest, TheKernelCopyAndTheCopyThroughMemoryAgreeByteForByte) {
    MakeSource(40);
    const TrackList tracks{SecondsTrack("One", 0, 1), SecondsTrack("Two", 1, 39)};
    {
        const CopyCall call(Copy::Kernel);
        EXPECT_EQ(Run(tracks), SaveEnd::Finished);
    }
    const std::string memory = dir_.path() + "/memory";
    fs::create_directory(memory);
    SaveJob second;
    second.SourcePath = source_;
    second.Tracks = tracks;
    second.OutputFolder = memory + "/";
    second.CheckedDurationMs = 39000;
    second.State = JobRunning;
    {
        const CopyCall call(Copy::Refused);
        EXPECT_EQ(RunSaveJob(second, seam_, hooks_), SaveEnd::Finished);
    }
    for (const char* name : {"One.wav", "Two.wav"}) {
        EXPECT_TRUE(test::ReadFile(out_ + "/" + name) == test::ReadFile(memory + "/" + name)) << name;
    }
    ExpectExact(Out("Two"), 1, 39);
    EXPECT_TRUE(seam_.boxes.empty());
}

// A real file system that refuses: the output folder on another one (the
// shared memory folder), where the kernel does not copy from the source's.
TEST_F(SaveFaultTest, AnOutputFolderOnAnotherFileSystemGetsTheSameBytes) {
    char shm[] = "/dev/shm/quillon-save-XXXXXX";
    if (mkdtemp(shm) == nullptr) GTEST_SKIP() << "no /dev/shm";
    struct stat a {
    }, b{};
    const bool another = stat(shm, &a) == 0 && stat(dir_.path().c_str(), &b) == 0 && a.st_dev != b.st_dev;
    if (!another) {
        fs::remove_all(shm);
        GTEST_SKIP() << "/dev/shm is on the same file system";
    }
    fs::remove(out_);
    out_ = shm;
    MakeSource(20);
    EXPECT_EQ(Run({SecondsTrack("One", 0, 3), SecondsTrack("Two", 3, 20)}), SaveEnd::Finished);
    EXPECT_TRUE(seam_.boxes.empty());
    ExpectExact(Out("One"), 0, 3);
    ExpectExact(Out("Two"), 3, 20);
    ExpectNoDebris({"One", "Two"});
    fs::remove_all(shm);
}

}  // namespace
}  // namespace quillon::engine
