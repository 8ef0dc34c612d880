#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "analysis/WaveRead.h"
#include "export/flac/FlacTrack.h"
#include "platform/UniqueFd.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"
#include "support/WideFormatsOn.h"

namespace quillon::test {
namespace {

using namespace engine;

struct Opened {
    WaveFormat format;
    int64_t offset = 0;
    uint64_t size = 0;
};

Opened OpenWave(const std::string& path) {
    RecordingSeam seam;
    platform::UniqueHmmio h;
    platform::MMCKINFO data;
    Opened o;
    EXPECT_TRUE(OpenWaveFile(path, h, o.format, data, o.size, seam)) << path;
    o.offset = data.dwDataOffset;
    return o;
}

// Noise with quiet stretches, so the encoder meets both; lowBitsClear keeps
// the bits a narrower sample leaves empty at zero.
Bytes Noise(std::size_t bytes, int lowBitsClear) {
    std::mt19937 random(7);
    Bytes b(bytes);
    for (std::size_t i = 0; i < bytes; ++i) b[i] = (i / 4096) % 3 == 1 ? 0 : uint8_t(random());
    for (std::size_t i = 0; lowBitsClear > 0 && i < bytes; i += 2) b[i] &= uint8_t(0xFF << lowBitsClear);
    return b;
}

int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Decodes flac with the reference tool and returns its data chunk's bytes.
Bytes Decoded(const TempDir& dir, const std::string& flac) {
    const std::string wav = dir.path() + "/decoded.wav";
    EXPECT_EQ(Shell("flac -d -f -s -o '" + wav + "' '" + flac + "'"), 0);
    const Opened o = OpenWave(wav);
    const Bytes all = ReadFile(wav);
    return Bytes(all.begin() + o.offset, all.begin() + o.offset + int64_t(o.size));
}

// A slice from the middle of the recording decodes to exactly its bytes.
TEST(FlacTrack, DecodesToTheSourceSliceByteForByte) {
    test::WideFormatsOn wide;
    const struct {
        const char* name;
        uint16_t channels, bits;
        int lowBitsClear;
    } cases[] = {{"8-bit mono", 1, 8, 0},     {"16-bit mono", 1, 16, 0},   {"16-bit stereo", 2, 16, 0},
                 {"12-bit stereo", 2, 12, 4}, {"24-bit stereo", 2, 24, 0}, {"32-bit mono", 1, 32, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Format f;
        f.channels = c.channels;
        f.bits = c.bits;
        f.blockAlign = uint16_t(c.channels * ((c.bits + 7) / 8));
        const std::string path = dir.Write("source.wav",
                                           PcmWave(f, Noise(std::size_t(f.blockAlign) * 30000, c.lowBitsClear)));
        const Opened src = OpenWave(path);
        const platform::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        const FlacSource slice{fd.get(), src.offset + 1000 * f.blockAlign, 20000 * f.blockAlign, src.format};
        ConversionControl control;
        const std::string flac = dir.path() + "/track.flac";
        ASSERT_EQ(EncodeFlacTrack(slice, flac, 5, {}, control), FlacResult::Done);
        EXPECT_EQ(control.Percent(), 100);
        const Bytes all = ReadFile(path);
        const Bytes want(all.begin() + slice.offset, all.begin() + slice.offset + slice.length);
        EXPECT_TRUE(Decoded(dir, flac) == want);
    }
}

// What cannot be encoded is said before anything is written.
TEST(FlacTrack, RefusesFloatAndAStopAndAShortSource) {
    test::WideFormatsOn wide;
    TempDir dir;
    Format fl;
    fl.tag = 3;
    fl.bits = 32;
    const std::string floatPath = dir.Write("f.wav", PcmWave(fl, Bytes(800, 0)));
    const std::string intPath = dir.Write("i.wav", PcmWave(Format{}, Bytes(800, 0)));
    const Opened floats = OpenWave(floatPath), ints = OpenWave(intPath);
    const platform::UniqueFd fd(open(intPath.c_str(), O_RDONLY | O_CLOEXEC));
    ConversionControl stopped;
    stopped.RequestStop();
    ConversionControl control;
    EXPECT_EQ(EncodeFlacTrack({fd.get(), floats.offset, 800, floats.format}, dir.path() + "/a.flac", 5, {}, control),
              FlacResult::FloatSource);
    EXPECT_EQ(EncodeFlacTrack({fd.get(), ints.offset, 800, ints.format}, dir.path() + "/b.flac", 5, {}, stopped),
              FlacResult::Stopped);
    EXPECT_EQ(EncodeFlacTrack({fd.get(), ints.offset, 8000, ints.format}, dir.path() + "/c.flac", 5, {}, control),
              FlacResult::ReadFailed);
    EXPECT_EQ(EncodeFlacTrack({fd.get(), ints.offset, 800, ints.format}, dir.path() + "/no/d.flac", 5, {}, control),
              FlacResult::CannotCreate);
}

}  // namespace
}  // namespace quillon::test
