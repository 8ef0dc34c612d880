#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Mmio.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace platform;

UniqueHmmio OpenRead(const std::string& path) { return UniqueHmmio(mmioOpen(path, nullptr, MMIO_READ)); }

MMCKINFO Find(HMMIO h, const char* id, const MMCKINFO* parent, MMRESULT* result) {
    MMCKINFO ck;
    ck.ckid = mmioFOURCC(id[0], id[1], id[2], id[3]);
    *result = mmioDescend(h, &ck, parent, MMIO_FINDCHUNK);
    return ck;
}

TEST(Mmio, FindRiffRefusesOtherFilesWithChunkNotFound) {
    TempDir dir;
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}},
        {"empty", Bytes{}},
        {"rifx", Riff({Chunk("fmt ", FmtBody({}))}, "WAVE", "RIFX")},
        {"avi form", Riff({Chunk("fmt ", FmtBody({}))}, "AVI ")},
        {"header only", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto h = OpenRead(dir.Write("f", c.bytes));
        ASSERT_TRUE(h);
        MMCKINFO riff;
        riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
        EXPECT_EQ(mmioDescend(h.get(), &riff, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
    }
}

TEST(Mmio, FindChunkSkipsOddSizedChunksWithTheirPadByte) {
    TempDir dir;
    const Bytes junk{1, 2, 3};  // odd: a pad byte follows
    const Bytes list{'I', 'N', 'F', 'O', 9};
    auto h = OpenRead(dir.Write("f", Riff({Chunk("JUNK", junk), Chunk("LIST", list), Chunk("fmt ", FmtBody({}))})));
    MMCKINFO riff;
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h.get(), &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.dwDataOffset, 8);
    EXPECT_EQ(mmioSeek(h.get(), 0, SEEK_CUR), 12) << "positioned after the form type";
    MMRESULT r;
    const MMCKINFO fmt = Find(h.get(), "fmt ", &riff, &r);
    ASSERT_EQ(r, MMSYSERR_NOERROR);
    // RIFF(12) + JUNK(8+3+1) + LIST(8+5+1) + fmt header(8)
    EXPECT_EQ(fmt.dwDataOffset, 12 + 12 + 14 + 8);
    EXPECT_EQ(fmt.cksize, 16u);
}

TEST(Mmio, FindChunkStopsAtTheEndOfItsParent) {
    TempDir dir;
    Bytes file = Riff({Chunk("fmt ", FmtBody({}))});
    const Bytes data = Chunk("data", Bytes(8, 0));
    file.insert(file.end(), data.begin(), data.end());  // after the RIFF chunk's end
    auto h = OpenRead(dir.Write("f", file));
    MMCKINFO riff;
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h.get(), &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMRESULT r;
    Find(h.get(), "data", &riff, &r);
    EXPECT_EQ(r, MMIOERR_CHUNKNOTFOUND);
}

TEST(Mmio, AscendAfterReadingMovesPastThePaddedChunk) {
    TempDir dir;
    auto h = OpenRead(dir.Write("f", Riff({Chunk("odd ", Bytes{7, 7, 7}), Chunk("next", Bytes{1, 2})})));
    MMCKINFO riff;
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h.get(), &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMCKINFO odd;
    ASSERT_EQ(mmioDescend(h.get(), &odd, &riff, 0), MMSYSERR_NOERROR);
    uint8_t byte = 0;
    ASSERT_EQ(mmioRead(h.get(), &byte, 1), 1);
    ASSERT_EQ(mmioAscend(h.get(), &odd, 0), MMSYSERR_NOERROR);
    MMCKINFO next;
    ASSERT_EQ(mmioDescend(h.get(), &next, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(next.ckid, mmioFOURCC('n', 'e', 'x', 't'));
    EXPECT_EQ(next.cksize, 2u);
}

TEST(Mmio, CreatedChunksGetTheirSizesAndPadByteOnAscent) {
    TempDir dir;
    const std::string path = dir.path() + "/out";
    {
        UniqueHmmio h(mmioOpen(path, nullptr, MMIO_CREATE | MMIO_WRITE));
        ASSERT_TRUE(h);
        MMCKINFO riff, chunk;
        riff.fccType = mmioFOURCC('T', 'E', 'S', 'T');
        ASSERT_EQ(mmioCreateChunk(h.get(), &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
        chunk.ckid = mmioFOURCC('a', 'b', 'c', 'd');
        ASSERT_EQ(mmioCreateChunk(h.get(), &chunk, 0), MMSYSERR_NOERROR);
        const uint8_t body[3] = {0xAA, 0xBB, 0xCC};
        ASSERT_EQ(mmioWrite(h.get(), body, 3), 3);
        ASSERT_EQ(mmioAscend(h.get(), &chunk, 0), MMSYSERR_NOERROR);
        ASSERT_EQ(mmioAscend(h.get(), &riff, 0), MMSYSERR_NOERROR);
        ASSERT_EQ(mmioClose(h.release()), MMSYSERR_NOERROR);
    }
    const Bytes expected{
        'R',  'I',  'F',  'F', 16, 0, 0, 0,  // 4 (form) + 8 (header) + 3 + 1 (pad)
        'T',  'E',  'S',  'T',               //
        'a',  'b',  'c',  'd', 3,  0, 0, 0,  // the size does not count the pad
        0xAA, 0xBB, 0xCC, 0,                 // the pad byte
    };
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(Mmio, FailedOpenReportsItsReason) {
    TempDir dir;
    const std::string file = dir.Write("plain", Bytes{1});
    const struct {
        std::string path;
        MMRESULT expected;
    } cases[] = {
        {dir.path() + "/missing.wav", MMIOERR_FILENOTFOUND},
        {file + "/under-a-file.wav", MMIOERR_PATHNOTFOUND},
        {dir.path(), MMIOERR_INVALIDFILE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        MMIOINFO info;
        EXPECT_EQ(mmioOpen(c.path, &info, MMIO_READ), nullptr);
        EXPECT_EQ(info.wErrorRet, c.expected);
    }
}

// A RIFF walk near the 4 GiB a RIFF size allows, in a sparse file: a JUNK chunk
// of almost 4 GiB, then a data chunk whose samples run past the 4 GiB mark.
// Offsets held in 32 bits (signed or not) would wrap and land on garbage.
TEST(Mmio, OffsetsBeyondFourGibibytesAreReached) {
    TempDir dir;
    const std::string path = dir.path() + "/big";
    const uint32_t junkSize = 0xFFFFFF00u;
    Bytes head = Riff({});
    head[4] = head[5] = head[6] = head[7] = 0xFF;
    const Bytes junk = Chunk("JUNK", {}, junkSize);
    head.insert(head.end(), junk.begin(), junk.end());
    const Bytes dataHeader = Chunk("data", {}, 1000);
    const off_t dataAt = off_t(head.size()) + off_t(junkSize);
    const off_t lastSample = dataAt + 8 + 996;
    ASSERT_GT(lastSample, off_t(1) << 32);
    const uint8_t marker[4] = {'e', 'n', 'd', '!'};
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const bool written = pwrite(fd, head.data(), head.size(), 0) == ssize_t(head.size()) &&
                         pwrite(fd, dataHeader.data(), 8, dataAt) == 8 && pwrite(fd, marker, 4, lastSample) == 4;
    close(fd);
    if (!written) GTEST_SKIP() << "no room for a sparse 4 GiB file here";

    auto h = OpenRead(path);
    MMCKINFO riff;
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h.get(), &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMRESULT r;
    const MMCKINFO data = Find(h.get(), "data", &riff, &r);
    ASSERT_EQ(r, MMSYSERR_NOERROR);
    EXPECT_EQ(data.dwDataOffset, int64_t(dataAt) + 8);
    ASSERT_EQ(mmioSeek(h.get(), data.dwDataOffset + 996, SEEK_SET), int64_t(lastSample));
    uint8_t got[4] = {};
    ASSERT_EQ(mmioRead(h.get(), got, 4), 4);
    EXPECT_EQ(Bytes(got, got + 4), Bytes(marker, marker + 4));
}

// The kernel copy: from an offset of the source, without moving it, to the
// place the output stands at after what was written through the stream.
TEST(MmioCopyRange, CopiesFromTheOffsetToTheStreamsPosition) {
    TempDir dir;
    Bytes bytes(100000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 13 + i / 256);
    auto source = OpenRead(dir.Write("source", bytes));
    ASSERT_TRUE(source);
    ASSERT_EQ(mmioSeek(source.get(), 10, SEEK_SET), 10);
    const std::string outPath = dir.path() + "/out";
    UniqueHmmio out(mmioOpen(outPath, nullptr, MMIO_CREATE | MMIO_WRITE));
    ASSERT_TRUE(out);
    ASSERT_EQ(mmioWrite(out.get(), "head", 4), 4);  // still in the stream's buffer
    EXPECT_EQ(mmioCopyRange(out.get(), source.get(), 1001, 50000), 50000);
    EXPECT_EQ(mmioSeek(out.get(), 0, SEEK_CUR), 50004);
    ASSERT_EQ(mmioWrite(out.get(), "tail", 4), 4);
    // Past the end of the source: what there is, then nothing.
    EXPECT_EQ(mmioCopyRange(out.get(), source.get(), 99000, 5000), 1000);
    EXPECT_EQ(mmioCopyRange(out.get(), source.get(), 100000, 5000), 0);
    EXPECT_EQ(mmioSeek(source.get(), 0, SEEK_CUR), 10);  // the source did not move
    out.reset();
    Bytes expected{'h', 'e', 'a', 'd'};
    expected.insert(expected.end(), bytes.begin() + 1001, bytes.begin() + 51001);
    expected.insert(expected.end(), {'t', 'a', 'i', 'l'});
    expected.insert(expected.end(), bytes.begin() + 99000, bytes.end());
    EXPECT_EQ(ReadFile(outPath), expected);
}

// A file whose bytes the kernel does not copy (a /proc file: no size, another
// file system) is refused, or reported as ending at once, never an error,
// and nothing is written.
TEST(MmioCopyRange, AFileTheKernelDoesNotCopyIsRefusedOrEndsAtOnce) {
    auto proc = OpenRead("/proc/self/status");
    if (!proc) GTEST_SKIP() << "no /proc";
    TempDir dir;
    const std::string outPath = dir.path() + "/out";
    UniqueHmmio out(mmioOpen(outPath, nullptr, MMIO_CREATE | MMIO_WRITE));
    ASSERT_TRUE(out);
    const int64_t copied = mmioCopyRange(out.get(), proc.get(), 0, 4096);
    EXPECT_TRUE(copied == MMIO_COPY_REFUSED || copied == 0) << copied;
    EXPECT_EQ(mmioSeek(out.get(), 0, SEEK_CUR), 0);
}

int64_t RefuseAcrossFileSystems(int, int64_t*, int, int64_t*, std::size_t, unsigned) {
    errno = EXDEV;
    return -1;
}

int64_t FailWithNoSpace(int, int64_t*, int, int64_t*, std::size_t, unsigned) {
    errno = ENOSPC;
    return -1;
}

TEST(MmioCopyRange, RefusalsAndErrorsAreToldApart) {
    TempDir dir;
    auto source = OpenRead(dir.Write("source", Bytes(100, 1)));
    UniqueHmmio out(mmioOpen(dir.path() + "/out", nullptr, MMIO_CREATE | MMIO_WRITE));
    ASSERT_TRUE(source && out);
    mmioSetCopyRangeCall(&RefuseAcrossFileSystems);
    EXPECT_EQ(mmioCopyRange(out.get(), source.get(), 0, 100), MMIO_COPY_REFUSED);
    mmioSetCopyRangeCall(&FailWithNoSpace);
    EXPECT_EQ(mmioCopyRange(out.get(), source.get(), 0, 100), -1);
    EXPECT_EQ(errno, ENOSPC);
    mmioSetCopyRangeCall(nullptr);
    EXPECT_EQ(mmioCopyRange(out.get(), source.get(), 0, 100), 100);
}

}  // namespace
}  // namespace quillon::test
