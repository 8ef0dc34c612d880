#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"
#include "support/WideFormatsOn.h"

namespace quillon::test {
namespace {

using namespace engine;

struct Opened {
    bool ok;
    WaveFormat format;
    uint64_t dataSize;
    int64_t dataOffset;
    bool handleOpen;
    std::vector<std::string> boxes;
};

Opened Open(const std::string& path) {
    RecordingSeam seam;
    platform::UniqueHmmio h;
    WaveFormat format;
    platform::MMCKINFO data;
    uint64_t size = 0;
    const bool ok = OpenWaveFile(path, h, format, data, size, seam);
    return {ok, format, size, data.dwDataOffset, bool(h), seam.boxes};
}

std::string Error(int number) { return "error: " + MessageText(number); }

const std::string kHinted = Error(MsgFormatNotSupported) + "\n" + text::kWideFormatsHint;

const Bytes kFourFrames = Pcm(16, 2).Loud(4).bytes();

Format With(uint16_t tag, uint16_t channels, uint16_t bits, uint16_t align = 0) {
    Format f;
    f.tag = tag;
    f.channels = channels;
    f.bits = bits;
    f.blockAlign = align;
    return f;
}

TEST(WaveRead, RefusesEachBadFileWithExactlyOneMessage) {
    TempDir dir;
    const Bytes fmt = Chunk("fmt ", FmtBody({}));
    const Bytes data = Chunk("data", kFourFrames);
    const struct {
        const char* name;
        Bytes bytes;
        std::string box;
    } cases[] = {
        {"not RIFF", Bytes(64, 'x'), Error(MsgNotValidWave)},
        {"empty file", Bytes{}, Error(MsgNotValidWave)},
        {"RIFX", Riff({fmt, data}, "WAVE", "RIFX"), Error(MsgNotValidWave)},
        {"form type other than WAVE", Riff({fmt, data}, "AVI "), Error(MsgNotValidWave)},
        {"no fmt", Riff({data}), Error(MsgNotValidWave)},
        {"fmt after data", Riff({data, fmt}), Error(MsgFormatNotSupported)},
        {"no data", Riff({fmt}), Error(MsgFormatNotSupported)},
        {"format tag 3 (float)", PcmWave(With(3, 2, 32), kFourFrames), kHinted},
        {"format tag 0xFFFE (extensible), block cut short", PcmWave(With(0xFFFE, 2, 16), kFourFrames),
         Error(MsgFormatNotSupported)},
        {"24-bit", PcmWave(With(1, 2, 24), kFourFrames), kHinted},
        {"32-bit", PcmWave(With(1, 2, 32), kFourFrames), kHinted},
        {"3 channels", PcmWave(With(1, 3, 16), kFourFrames), Error(MsgFormatNotSupported)},
        {"0 channels", PcmWave(With(1, 0, 16, 4), kFourFrames), Error(MsgFormatNotSupported)},
        {"0 bits", PcmWave(With(1, 2, 0, 4), kFourFrames), Error(MsgFormatNotSupported)},
        {"rate 0", PcmWave(Format{1, 2, 0, 16}, kFourFrames), Error(MsgFormatNotSupported)},
        {"block align 1, 16-bit mono", PcmWave(With(1, 1, 16, 1), kFourFrames), Error(MsgFormatNotSupported)},
        {"block align 2, 16-bit stereo", PcmWave(With(1, 2, 16, 2), kFourFrames), Error(MsgFormatNotSupported)},
        {"block align 1, 8-bit stereo", PcmWave(With(1, 2, 8, 1), kFourFrames), Error(MsgFormatNotSupported)},
        {"fmt chunk cut short by the file end",
         Bytes{'R', 'I', 'F', 'F', 30, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0},
         "plain: " + std::string(text::kUnableToRead)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Opened r = Open(dir.Write("bad.wav", c.bytes));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.handleOpen);
        EXPECT_EQ(r.boxes, std::vector<std::string>{c.box});
    }
}

TEST(WaveRead, RefusesABlockAlignOfZero) {
    TempDir dir;
    for (const auto& [channels, bits] : {std::pair{1, 8}, {2, 16}}) {
        Format f = With(1, uint16_t(channels), uint16_t(bits));
        Bytes bytes = PcmWave(f, kFourFrames);
        bytes[20 + 12] = bytes[20 + 13] = 0;  // block align field of the fmt body
        const Opened r = Open(dir.Write("zero.wav", bytes));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.boxes, std::vector<std::string>{Error(MsgFormatNotSupported)});
    }
}

TEST(WaveRead, AcceptsTheLayoutsFoundInTheWild) {
    TempDir dir;
    const Bytes fmt16 = FmtBody({});
    Format f18;
    f18.fmtSize = 18;
    Format f40;
    f40.fmtSize = 40;
    Bytes fmt40 = FmtBody(f40);
    fmt40[16] = 22;  // an extensible-style extra size; only 18 bytes are taken
    const Bytes data = Chunk("data", kFourFrames);
    const struct {
        const char* name;
        Bytes bytes;
        uint16_t cbSize;
    } cases[] = {
        {"16-byte fmt", Riff({Chunk("fmt ", fmt16), data}), 0},
        {"18-byte fmt", Riff({Chunk("fmt ", FmtBody(f18)), data}), 0},
        {"40-byte fmt", Riff({Chunk("fmt ", fmt40), data}), 22},
        {"LIST and JUNK first",
         Riff({Chunk("LIST", Bytes(10, 'i')), Chunk("JUNK", Bytes(28, 0)), Chunk("fmt ", fmt16), data}), 0},
        {"odd chunks before and after fmt",
         Riff({Chunk("odd1", Bytes(3, 9)), Chunk("fmt ", fmt16), Chunk("odd2", Bytes(5, 9)), data}), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Opened r = Open(dir.Write("good.wav", c.bytes));
        ASSERT_TRUE(r.ok);
        EXPECT_TRUE(r.boxes.empty());
        EXPECT_EQ(r.format.nChannels, 2);
        EXPECT_EQ(r.format.nSamplesPerSec, 44100u);
        EXPECT_EQ(r.format.nBlockAlign, 4);
        EXPECT_EQ(r.format.cbSize, c.cbSize);
        EXPECT_EQ(r.dataSize, 16u);
        EXPECT_EQ(r.dataOffset, int64_t(c.bytes.size() - 16));
    }
}

TEST(WaveRead, AcceptsEmptyDataAnd12BitSamples) {
    TempDir dir;
    const Opened empty = Open(dir.Write("empty.wav", PcmWave({}, {})));
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.dataSize, 0u);
    const Opened twelve = Open(dir.Write("12.wav", PcmWave(With(1, 1, 12, 2), Pcm(16, 1).Loud(3).bytes())));
    EXPECT_TRUE(twelve.ok);
    EXPECT_EQ(twelve.format.wBitsPerSample, 12);
}

TEST(WaveRead, AMissingPathOrAFolderIsAMissingFile) {
    TempDir dir;
    EXPECT_EQ(Open(dir.path() + "/nothing.wav").boxes, std::vector<std::string>{Error(MsgFileDoesNotExist)});
    EXPECT_EQ(Open(dir.path()).boxes, std::vector<std::string>{Error(MsgFileDoesNotExist)});
}

TEST(WaveRead, AFifoIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    const std::string path = dir.path() + "/pipe.wav";
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    EXPECT_EQ(Open(path).boxes, std::vector<std::string>{"plain: " + std::string(text::kUnableToRead)});
}

// The tests run as root, so permissions cannot make an open fail; running out
// of file descriptors does, in a child process of its own.
TEST(WaveRead, AFileThatCannotBeOpenedShowsTheReadText) {
    TempDir dir;
    const std::string path = dir.Write("ok.wav", PcmWave({}, kFourFrames));
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        // A sanitizer's type check needs a descriptor the first time it meets
        // a class; let it meet the seam while there are descriptors left.
        (void)Open(dir.path() + "/missing.wav");
        rlimit limit{64, 64};
        setrlimit(RLIMIT_NOFILE, &limit);
        while (open("/dev/null", O_RDONLY) >= 0) {
        }
        const Opened r = Open(path);
        const std::string report = r.ok ? "opened" : r.boxes.size() == 1 ? r.boxes[0] : "boxes?";
        [[maybe_unused]] auto n = write(pipeFds[1], report.data(), report.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string report(512, '\0');
    const ssize_t n = read(pipeFds[0], report.data(), report.size());
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    report.resize(n > 0 ? std::size_t(n) : 0);
    EXPECT_EQ(report, "plain: " + std::string(text::kUnableToRead));
}

TEST(WaveRead, ReportWaveFileErrorShowsOneMessageForEveryKnownCode) {
    const struct {
        int code;
        std::string shown;
    } cases[] = {
        {WAVERR_BADFORMAT, Error(MsgFormatNotSupported)},
        {265, Error(MsgNotValidWave)},
        {267, "plain: " + std::string(text::kDirectoryIncorrect)},
        {268, "plain: " + std::string(text::kFileProtected)},
        {269, "plain: " + std::string(text::kSharingViolation)},
        {270, "plain: " + std::string(text::kNetworkNotResponding)},
        {271, "plain: " + std::string(text::kTooManyOpenFiles)},
        {272, Error(MsgNotValidWave)},
        {WaveErrNoMemory, Error(MsgNotEnoughMemory)},
        {WaveErrNotWave, Error(MsgNotValidWave)},
        {WaveErrCannotRead, "plain: " + std::string(text::kUnableToRead)},
        {WaveErrNoDataChunk, Error(MsgNoDataChunk)},
        {WaveErrNotPcm, Error(MsgFormatNotSupported)},
        {WaveErrShortData, "plain: " + std::string(text::kUnableToReadWhole)},
        {WaveErrDamagedFormat, "error: " + std::string(text::kDamagedFormat)},
        {WaveErrWideOff, kHinted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        RecordingSeam seam;
        ReportWaveFileError(c.code, seam);
        EXPECT_EQ(seam.boxes, std::vector<std::string>{c.shown});
    }
    for (int unknown : {0, 263, 266, 5000, 5009}) {
        RecordingSeam seam;
        ReportWaveFileError(unknown, seam);
        EXPECT_TRUE(seam.boxes.empty()) << unknown;
    }
}

// Each layout with the setting on (its kind, or the box) and off (the box).
TEST(WaveRead, OpensTheWideLayoutsOnlyWithTheSetting) {
    TempDir dir;
    const Bytes frames(48, 0);
    const auto wave = [&frames](const Bytes& fmtBody) { return Riff({Chunk("fmt ", fmtBody), Chunk("data", frames)}); };
    Bytes tooShort = ExtensibleFmtBody(2, 48000, 24, 24, 1);
    tooShort.resize(30);
    Bytes ds64Table = Rf64Wave(FmtBody(With(1, 2, 24)), frames);
    ds64Table[12 + 8 + 24] = 0xFF;  // table entries: far more than the chunk holds
    const std::string damaged = "error: " + std::string(text::kDamagedFormat);
    const std::string plain = Error(MsgFormatNotSupported);
    const struct {
        const char* name;
        Bytes bytes;
        std::optional<SampleKind> kind;  // with the setting on; none: refused with onBox
        uint16_t validBits;
        std::string onBox, offBox;
    } cases[] = {
        {"PCM 24-bit", wave(FmtBody(With(1, 2, 24))), SampleKind::Signed24, 24, "", kHinted},
        {"PCM 32-bit mono", wave(FmtBody(With(1, 1, 32))), SampleKind::Signed32, 32, "", kHinted},
        {"float 32-bit", wave(FmtBody(With(3, 2, 32))), SampleKind::Float32, 32, "", kHinted},
        {"float 64-bit mono", wave(FmtBody(With(3, 1, 64))), SampleKind::Float64, 64, "", kHinted},
        {"extensible 24-bit", wave(ExtensibleFmtBody(2, 96000, 24, 24, 1)), SampleKind::Signed24, 24, "", kHinted},
        {"extensible 24 in 32", wave(ExtensibleFmtBody(2, 96000, 32, 24, 1)), SampleKind::Signed32, 24, "", kHinted},
        {"extensible float", wave(ExtensibleFmtBody(1, 44100, 32, 32, 3)), SampleKind::Float32, 32, "", kHinted},
        {"extensible 16-bit", wave(ExtensibleFmtBody(2, 44100, 16, 16, 1)), SampleKind::Signed16, 16, "", kHinted},
        {"RF64", Rf64Wave(FmtBody(With(1, 2, 24)), frames), SampleKind::Signed24, 24, "", Error(MsgNotValidWave)},
        {"BW64", Rf64Wave(FmtBody(With(3, 2, 32)), frames, "BW64"), SampleKind::Float32, 32, "",
         Error(MsgNotValidWave)},
        {"extensible cut short", wave(tooShort), std::nullopt, 0, damaged, plain},
        {"valid bits beyond the container", wave(ExtensibleFmtBody(2, 48000, 24, 28, 1)), std::nullopt, 0, damaged,
         plain},
        {"extensible of another codec", wave(ExtensibleFmtBody(2, 48000, 16, 16, 0x55)), std::nullopt, 0, plain, plain},
        {"RF64 without ds64", Riff({Chunk("fmt ", FmtBody(With(1, 2, 24))), Chunk("data", frames)}, "WAVE", "RF64"),
         std::nullopt, 0, damaged, Error(MsgNotValidWave)},
        {"ds64 table beyond its chunk", ds64Table, std::nullopt, 0, damaged, Error(MsgNotValidWave)},
        {"24-bit, 6 channels", wave(ExtensibleFmtBody(6, 48000, 24, 24, 1, 0x3F)), std::nullopt, 0, plain, plain},
        {"float 16-bit", wave(FmtBody(With(3, 2, 16))), std::nullopt, 0, plain, plain},
        {"24-bit stereo, block align 3", wave(FmtBody(With(1, 2, 24, 3))), std::nullopt, 0, plain, plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Write("wide.wav", c.bytes);
        {
            WideFormatsOn on;
            const Opened r = Open(path);
            EXPECT_EQ(r.ok, c.kind.has_value());
            if (c.kind) {
                EXPECT_EQ(KindOf(r.format), *c.kind);
                EXPECT_EQ(r.format.ValidBits, c.validBits);
                EXPECT_EQ(r.dataSize, frames.size());
                EXPECT_TRUE(r.boxes.empty());
            } else {
                EXPECT_EQ(r.boxes, std::vector<std::string>{c.onBox});
            }
        }
        const Opened off = Open(path);
        EXPECT_FALSE(off.ok);
        EXPECT_EQ(off.boxes, std::vector<std::string>{c.offBox});
    }
}

// A 64-bit form's data size comes from ds64, past what 32 bits hold.
TEST(WaveRead, TakesTheDataSizeOfA64BitFormFromDs64) {
    TempDir dir;
    WideFormatsOn on;
    const uint64_t declared = (uint64_t(1) << 32) + 6;
    const Opened r = Open(dir.Write("big.wav", Rf64Wave(FmtBody(With(1, 2, 24)), Bytes(12, 0), "RF64", declared)));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.dataSize, declared);
}

}  // namespace
}  // namespace quillon::test
