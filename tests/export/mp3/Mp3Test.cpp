// The MP3 routes: the LAME configuration record, its refusal rules, the
// encoder loop and its results, the converter library, the dispatch by
// codec name and the bit-rate lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "app/ErrorCodes.h"
#include "export/mp3/BitRateLists.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/SampleTo16.h"
#include "export/mp3/WaveToMP3.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"
#include "support/Tools.h"

namespace quillon::engine {
namespace {

using test::Bytes;
using test::Format;

bool LoadShim() { return LoadLameLibraryFrom({QUILLON_LAME_SHIM}); }

// ffprobe's answer for one entry of the MP3 file's first stream ("" when absent).
std::string Probe(const std::string& file, const std::string& entry) {
    if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) return {};
    const std::string out = file + ".probe";
    const std::string command = "ffprobe -v error -show_entries " + entry + " -of default=nw=1:nk=1 '" + file +
                                "' > '" + out + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return "failed";
    std::ifstream in(out);
    std::string value;
    std::getline(in, value);
    return value;
}

// A square wave of 50-frame half periods: sound an encoder has to work on.
std::string Tone(const test::TempDir& dir, const char* name, const Format& f, uint32_t frames) {
    test::Pcm pcm(f.bits, f.channels);
    const int level = f.bits == 8 ? 40 : 3000;
    for (uint32_t at = 0; at < frames; at += 50)
        pcm.Level(std::min<uint32_t>(50, frames - at), (at / 50) % 2 ? level : -level);
    return dir.Write(name, test::PcmWave(f, pcm.bytes()));
}

TEST(LameConfig, RecordIsLaidOutByteForByte) {
    const LameEncConfig c = MakeLameConfig(44100, 2, 128);
    Bytes b(sizeof c);
    std::memcpy(b.data(), &c, sizeof c);
    ASSERT_EQ(b.size(), 331u);
    EXPECT_EQ(test::Le32(b, 0), 256u);          // kind
    EXPECT_EQ(test::Le32(b, 4), 1u);            // version
    EXPECT_EQ(test::Le32(b, 8), 331u);          // size
    EXPECT_EQ(test::Le32(b, 12), 44100u);       // input rate
    EXPECT_EQ(test::Le32(b, 16), 0u);           // output rate: the encoder's choice
    EXPECT_EQ(test::Le32(b, 20), 0u);           // stereo
    EXPECT_EQ(test::Le32(b, 24), 128u);         // bit rate
    EXPECT_EQ(test::Le32(b, 28), 128u);         // maximum bit rate
    EXPECT_EQ(test::Le32(b, 32), 2u);           // high quality
    EXPECT_EQ(test::Le32(b, 36), 1u);           // MPEG-1
    EXPECT_EQ(test::Le32(b, 40), 0u);           // psycho-acoustic model
    EXPECT_EQ(test::Le32(b, 44), 0u);           // emphasis
    EXPECT_EQ(test::Le32(b, 48), 0xFFFFFFFFu);  // private bit on
    EXPECT_EQ(test::Le32(b, 52), 0xFFFFFFFFu);  // CRC on
    EXPECT_EQ(test::Le32(b, 56), 0u);           // copyright
    EXPECT_EQ(test::Le32(b, 60), 0u);           // marked as a copy
    EXPECT_EQ(test::Le32(b, 64), 0u);           // no VBR header
    EXPECT_EQ(test::Le32(b, 68), 0u);           // constant bit rate
    EXPECT_EQ(test::Le32(b, 72), 4u);           // VBR quality
    for (std::size_t i = 76; i < 331; ++i) ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(MakeLameConfig(22050, 1, 64).channelMode, 3);  // mono
}

struct RateCase {
    uint32_t samplesPerSecond;
    uint32_t bitRate;
    bool usable;
};
class LameRates : public ::testing::TestWithParam<RateCase> {};

TEST_P(LameRates, FollowTheRulesThenTheEncoder) {
    ASSERT_TRUE(LoadShim());
    test::TempDir dir;
    const RateCase& c = GetParam();
    const std::string path = Tone(dir, "t.wav", Format{1, 2, c.samplesPerSecond, 16}, 4410);
    test::RecordingSeam seam;
    EXPECT_EQ(LameBitRateUsable(path, c.bitRate, seam), c.usable);
    EXPECT_TRUE(seam.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Rules, LameRates,
                         ::testing::Values(RateCase{44100, 20, false}, RateCase{44100, 24, false},
                                           RateCase{44100, 32, true}, RateCase{44100, 320, true},
                                           RateCase{22050, 24, true}, RateCase{22050, 160, true},
                                           RateCase{22050, 192, false}, RateCase{8000, 320, false},
                                           RateCase{32000, 20, false}, RateCase{48000, 192, true}));

TEST(LameRates, ReadTheRealFmtChunkWhereverItIs) {
    ASSERT_TRUE(LoadShim());
    test::TempDir dir;
    // A LIST chunk before fmt: the canonical 44-byte places would hold garbage.
    const Format f{1, 2, 22050, 16};
    const std::string path = dir.Write(
        "list.wav", test::Riff({test::Chunk("LIST", Bytes(30, 'x')), test::Chunk("fmt ", test::FmtBody(f)),
                                test::Chunk("data", Bytes(8820, 0))}));
    test::RecordingSeam seam;
    EXPECT_TRUE(LameBitRateUsable(path, 160, seam));
    EXPECT_FALSE(LameBitRateUsable(path, 192, seam));
}

struct To16Case {
    const char* name;
    SampleKind kind;
    Bytes sample;
    int lowest, highest;  // every result within; with dither both are reached
};
class To16 : public ::testing::TestWithParam<To16Case> {};

// One sample converted 4000 times: the dither spreads an exact 16-bit value
// over one step either side (TPDF reaches both, a single uniform value
// neither); nothing past full scale wraps.
TEST_P(To16, StaysWithinOneStepAndNeverWraps) {
    const To16Case& c = GetParam();
    WaveFormat f;
    f.nChannels = 1;
    f.nBlockAlign = uint16_t(c.sample.size());
    f.wBitsPerSample = uint16_t(8 * c.sample.size());
    if (c.kind != SampleKind::Unsigned8 && c.kind != SampleKind::Signed16) f.Wide = c.kind;
    f.ValidBits = f.wBitsPerSample;
    constexpr std::size_t kCount = 4000;
    Bytes in;
    for (std::size_t i = 0; i < kCount; ++i) in.insert(in.end(), c.sample.begin(), c.sample.end());
    std::vector<int16_t> out(kCount);
    SampleTo16(f).Convert(in.data(), kCount, out.data());
    const auto [low, high] = std::minmax_element(out.begin(), out.end());
    EXPECT_EQ(*low, c.lowest);
    EXPECT_EQ(*high, c.highest);
}

Bytes FloatBytes(float v) {
    Bytes b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
}

Bytes DoubleBytes(double v) {
    Bytes b(8);
    std::memcpy(b.data(), &v, 8);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, To16,
    ::testing::Values(To16Case{"Unsigned8Bottom", SampleKind::Unsigned8, {0x00}, -32768, -32768},
                      To16Case{"Unsigned8Top", SampleKind::Unsigned8, {0xFF}, 32512, 32512},
                      To16Case{"Signed16", SampleKind::Signed16, {0xFE, 0xFF}, -2, -2},
                      To16Case{"Signed24Exact", SampleKind::Signed24, {0x00, 0x10, 0x00}, 15, 17},
                      To16Case{"Signed24Bottom", SampleKind::Signed24, {0x00, 0x00, 0x80}, -32768, -32767},
                      To16Case{"Signed32Top", SampleKind::Signed32, {0xFF, 0xFF, 0xFF, 0x7F}, 32767, 32767},
                      To16Case{"FloatQuarter", SampleKind::Float32, FloatBytes(0.25f), 8191, 8193},
                      To16Case{"FloatAboveFullScale", SampleKind::Float32, FloatBytes(1.5f), 32767, 32767},
                      To16Case{"FloatNaN", SampleKind::Float32, FloatBytes(std::nanf("")), -1, 1},
                      To16Case{"DoubleMinusInfinity", SampleKind::Float64,
                               DoubleBytes(-std::numeric_limits<double>::infinity()), -32768, -32768}),
    [](const ::testing::TestParamInfo<To16Case>& c) { return std::string(c.param.name); });

class LameEncode : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadShim()); }
    test::TempDir dir_;
    std::string Mp3() const { return dir_.path() + "/out.mp3"; }
};

TEST_F(LameEncode, MakesAnMp3OfTheRightShape) {
    const std::string wave = Tone(dir_, "t.wav", Format{1, 2, 44100, 16}, 44100 * 2);
    std::vector<int> shown;
    ASSERT_EQ(LameEncodeWave(wave, Mp3(), 192, [&shown](int p) { shown.push_back(p); }), LameFinished);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 100);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end()), shown.end());  // each percentage once
    const std::string channels = Probe(Mp3(), "stream=channels");
    if (channels.empty()) GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(channels, "2");
    EXPECT_EQ(Probe(Mp3(), "stream=bit_rate"), "192000");
    EXPECT_EQ(Probe(Mp3(), "stream=sample_rate"), "44100");
    EXPECT_NEAR(std::stod(Probe(Mp3(), "format=duration")), 2.0, 0.08);
}

TEST_F(LameEncode, EightBitMonoIsExpandedAndEncoded) {
    const std::string wave = Tone(dir_, "t8.wav", Format{1, 1, 22050, 8}, 22050);
    ASSERT_EQ(LameEncodeWave(wave, Mp3(), 64, {}), LameFinished);
    const std::string channels = Probe(Mp3(), "stream=channels");
    if (channels.empty()) GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(channels, "1");
    EXPECT_NEAR(std::stod(Probe(Mp3(), "format=duration")), 1.0, 0.08);
}

TEST_F(LameEncode, Refusals) {
    const std::string low = Tone(dir_, "low.wav", Format{1, 2, 22050, 16}, 2205);
    EXPECT_EQ(LameEncodeWave(low, Mp3(), 192, {}), LameRateTooHighForSource);
    EXPECT_EQ(std::filesystem::file_size(Mp3()), 0u);
    EXPECT_EQ(LameEncodeWave(dir_.path() + "/missing.wav", Mp3(), 128, {}), LameNoWaveFile);
    const std::string adpcm = dir_.Write("a.wav", test::PcmWave(Format{2, 2, 44100, 4}, Bytes(800)));
    EXPECT_EQ(LameEncodeWave(adpcm, Mp3(), 128, {}), LameNotPcmWave);
    const std::string noData = dir_.Write("nd.wav", test::Riff({test::Chunk("fmt ", test::FmtBody(Format{}))}));
    EXPECT_EQ(LameEncodeWave(noData, Mp3(), 128, {}), LameNotPcmWave);
    EXPECT_EQ(LameEncodeWave(low, dir_.path() + "/no/such/folder/x.mp3", 128, {}), LameEncodeFailed);
}

TEST_F(LameEncode, EmptyDataGivesOnlyTheFlush) {
    const std::string empty = dir_.Write("e.wav", test::PcmWave(Format{}, {}));
    EXPECT_EQ(LameEncodeWave(empty, Mp3(), 128, {}), LameFinished);
    EXPECT_LT(std::filesystem::file_size(Mp3()), 2000u);
}

TEST_F(LameEncode, AbortStopsAfterTheChunk) {
    const std::string wave = Tone(dir_, "t.wav", Format{1, 2, 44100, 16}, 44100 * 3);
    int calls = 0;
    const uint16_t result = LameEncodeWave(wave, Mp3(), 128, [&calls](int) {
        if (++calls == 3) LameAbortRequested = true;
    });
    EXPECT_EQ(result, LameAborted);
    EXPECT_EQ(calls, 3);
    // The next encode starts afresh.
    EXPECT_EQ(LameEncodeWave(wave, Mp3(), 128, {}), LameFinished);
}

TEST(Converter, EncodesAndRefusesRatesTheStreamCannotCarry) {
    test::TempDir dir;
    const std::string wave = Tone(dir, "t.wav", Format{1, 2, 44100, 16}, 44100);
    EXPECT_EQ(IsValidMP3CodecFound(wave.c_str()), 0);
    uint8_t ok = 0;
    IsBitrateSupported(wave.c_str(), 128000, &ok);
    EXPECT_EQ(ok, 1);
    ok = 0;
    IsBitrateSupported(wave.c_str(), 144000, &ok);  // an MPEG-2 rate only
    EXPECT_EQ(ok, 0);
    const std::string mp3 = dir.path() + "/c.mp3";
    EXPECT_EQ(ConvertWaveFileToMp3(wave.c_str(), mp3.c_str(), 24000), CV_BITRATE_NOT_PRODUCED);
    EXPECT_EQ(ConvertWaveFileToMp3(wave.c_str(), mp3.c_str(), 128000), CV_OK);
    EXPECT_EQ(GetStatusWavToMP3(), 100);
    EXPECT_EQ(IsValidMP3CodecFound((dir.path() + "/missing.wav").c_str()), CV_FORMAT_NOT_ENCODABLE);
    const std::string channels = Probe(mp3, "stream=channels");
    if (channels.empty()) GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(channels, "2");
    EXPECT_EQ(Probe(mp3, "stream=bit_rate"), "128000");
    EXPECT_NEAR(std::stod(Probe(mp3, "format=duration")), 1.0, 0.08);
}

// An MP3 file that cannot be written to the end (here past a file size limit)
// is a failed conversion on either route, never a finished one.
TEST(Mp3Routes, AWriteRefusedPartWayIsAFailure) {
    ASSERT_TRUE(LoadShim());
    test::TempDir dir;
    const std::string wave = Tone(dir, "t.wav", Format{1, 2, 44100, 16}, 44100 * 2);
    const std::string lameMp3 = dir.path() + "/lame.mp3", converterMp3 = dir.path() + "/converter.mp3";
    const test::FileSizeLimit limit(4096);  // two seconds at 128 kbit/s are about 32 kB
    EXPECT_EQ(LameEncodeWave(wave, lameMp3, 128, {}), LameEncodeFailed);
    EXPECT_NE(ConvertWaveFileToMp3(wave.c_str(), converterMp3.c_str(), 128000), CV_OK);
}

// The converter library's calls on handles: conversions at once on several
// threads give the same bytes as one alone, and each stops on its own handle.
TEST(ConverterHandles, ConversionsAtOnceMatchOneAloneAndStopApart) {
    test::TempDir dir;
    const std::string wave = Tone(dir, "t.wav", Format{1, 2, 44100, 16}, 44100 * 2);
    const std::string alone = dir.path() + "/alone.mp3";
    ASSERT_EQ(ConvertWaveFileToMp3(wave.c_str(), alone.c_str(), 128000), CV_OK);
    const Bytes reference = test::ReadFile(alone);
    constexpr int kThreads = 4;
    std::vector<uint16_t> results(kThreads, 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CvConversion* h = OpenConversionWavToMP3();
            const std::string mp3 = dir.path() + "/" + std::to_string(t) + ".mp3";
            results[std::size_t(t)] = ConvertWaveFileToMp3Ex(h, wave.c_str(), mp3.c_str(), 128000);
            EXPECT_EQ(GetStatusWavToMP3Ex(h), 100);
            CloseConversionWavToMP3(h);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(results[std::size_t(t)], CV_OK) << t;
        EXPECT_TRUE(test::ReadFile(dir.path() + "/" + std::to_string(t) + ".mp3") == reference) << t;
    }
    // A stop before the start holds; it touches no other handle and not the old calls.
    CvConversion* stopped = OpenConversionWavToMP3();
    CvConversion* other = OpenConversionWavToMP3();
    StopConversionWavToMP3Ex(stopped);
    EXPECT_EQ(ConvertWaveFileToMp3Ex(stopped, wave.c_str(), (dir.path() + "/s.mp3").c_str(), 128000), CV_STOPPED);
    EXPECT_EQ(ConvertWaveFileToMp3Ex(other, wave.c_str(), (dir.path() + "/o.mp3").c_str(), 128000), CV_OK);
    EXPECT_EQ(ConvertWaveFileToMp3(wave.c_str(), (dir.path() + "/old.mp3").c_str(), 128000), CV_OK);
    CloseConversionWavToMP3(stopped);
    CloseConversionWavToMP3(other);
    EXPECT_EQ(GetStatusWavToMP3Ex(nullptr), 100);
    EXPECT_EQ(ConvertWaveFileToMp3Ex(nullptr, wave.c_str(), (dir.path() + "/n.mp3").c_str(), 128000), CV_NO_MEMORY);
}

// Two encodes at once on either route, each with its own control: stopping
// one leaves the other to finish, with the same bytes as alone.
TEST(ConversionControls, StopOneOfTwoEncodesAtOnce) {
    ASSERT_TRUE(LoadShim());
    UseConverter({&IsValidMP3CodecFound, &IsBitrateSupported, &ConvertWaveFileToMp3, &GetStatusWavToMP3,
                  &StopConversionWavToMP3, &OpenConversionWavToMP3, &ConvertWaveFileToMp3Ex, &GetStatusWavToMP3Ex,
                  &StopConversionWavToMP3Ex, &CloseConversionWavToMP3});
    test::TempDir dir;
    const std::string wave = Tone(dir, "t.wav", Format{1, 2, 44100, 16}, 44100 * 20);
    for (const char* codec : {kLameCodecName, kAcmCodecName}) {
        SCOPED_TRACE(codec);
        test::RecordingSeam seam;
        const std::string alone = dir.path() + "/alone.mp3";
        ASSERT_EQ(ConvertToMp3(codec, wave, alone, 128, seam, {}), 0);
        ConversionControl stopped, kept;
        uint16_t stoppedResult = 0, keptResult = 1;
        std::thread first(
            [&] { stoppedResult = ConvertToMp3(codec, wave, dir.path() + "/stopped.mp3", 128, seam, {}, stopped); });
        std::thread second(
            [&] { keptResult = ConvertToMp3(codec, wave, dir.path() + "/kept.mp3", 128, seam, {}, kept); });
        for (int i = 0; i < 2000 && stopped.Percent() < 10; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stopped.RequestStop();
        first.join();
        second.join();
        EXPECT_EQ(stoppedResult, IsLameCodecName(codec) ? uint16_t(LameAborted) : uint16_t(CV_STOPPED));
        EXPECT_EQ(keptResult, 0);
        EXPECT_TRUE(test::ReadFile(dir.path() + "/kept.mp3") == test::ReadFile(alone));
        EXPECT_FALSE(kept.StopRequested());
        // A stop made before the start holds.
        ConversionControl early;
        early.RequestStop();
        EXPECT_NE(ConvertToMp3(codec, wave, dir.path() + "/early.mp3", 128, seam, {}, early), 0);
        EXPECT_TRUE(seam.boxes.empty());
    }
}

TEST(Dispatch, TheNameChoosesTheRoute) {
    ASSERT_TRUE(LoadShim());
    test::TempDir dir;
    const std::string wave = Tone(dir, "t.wav", Format{1, 2, 22050, 16}, 2205);
    test::RecordingSeam seam;
    for (const char* lame : {"LAME Encoder", "lame encoder", "Lame Encoder"}) {
        EXPECT_TRUE(IsLameCodecName(lame));
        EXPECT_EQ(ConvertToMp3(lame, wave, dir.path() + "/l.mp3", 64, seam, {}), 0) << lame;
        EXPECT_TRUE(LameInUse.load());
    }
    for (const char* other : {"Windows ACM Default", "LAME", "Lame  Encoder", ""}) {
        EXPECT_FALSE(IsLameCodecName(other));
        (void)ConvertToMp3(other, wave, dir.path() + "/a.mp3", 64, seam, {});
        EXPECT_FALSE(LameInUse.load()) << other;
    }
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(ConvertToMp3("LAME Encoder", wave, dir.path() + "/x.mp3", 192, seam, {}), 406);
    EXPECT_EQ(LastConversionResult.load(), 406);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0],
              "plain: " + MessageText(MsgCodecCannotProduceAt) + " 192 " + MessageText(MsgKbitBitrateChooseAnother));
    EXPECT_EQ(seam.boxes[0].back(), '\n');
}

TEST(BitRateLists, FollowTheSourcesRate) {
    ASSERT_TRUE(LoadShim());
    test::TempDir dir;
    test::RecordingSeam seam;
    const BitRateLists cd = BuildBitRateLists(Tone(dir, "cd.wav", Format{1, 2, 44100, 16}, 4410), seam);
    EXPECT_EQ(cd.lame, (std::vector<uint32_t>{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}));
    EXPECT_EQ(cd.acm, cd.lame);
    const BitRateLists half = BuildBitRateLists(Tone(dir, "half.wav", Format{1, 2, 22050, 16}, 2205), seam);
    EXPECT_EQ(half.lame, (std::vector<uint32_t>{24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160}));
    EXPECT_EQ(half.acm, half.lame);
    // No source: a CD-format probe file, made and removed.
    const BitRateLists none = BuildBitRateLists("", seam);
    EXPECT_EQ(none.lame, cd.lame);
    EXPECT_TRUE(seam.boxes.empty());
}

// The same tone as sox writes it at 24 bits (an extensible block) and at 16
// (the 24-bit file reduced by sox); "" when sox cannot make them.
std::pair<std::string, std::string> SoxTone(const test::TempDir& dir) {
    if (!test::HasTool("sox")) return {};
    const std::string wide = dir.path() + "/src24.wav", narrow = dir.path() + "/src16.wav";
    if (test::ToolOutput("sox -n -b 24 -r 48000 -c 2 '" + wide + "' synth 3 sine 440 vol 0.5") == "failed" ||
        test::ToolOutput("sox '" + wide + "' -b 16 '" + narrow + "'") == "failed")
        return {};
    return {wide, narrow};
}

// The decoded samples of an MP3 file as 32-bit floats (empty when ffmpeg cannot).
std::vector<float> Decode(const std::string& mp3) {
    const std::string raw = mp3 + ".raw";
    if (test::ToolOutput("ffmpeg -v error -y -i '" + mp3 + "' -f f32le -c:a pcm_f32le '" + raw + "'") == "failed")
        return {};
    const Bytes b = test::ReadFile(raw);
    std::vector<float> samples(b.size() / 4);
    std::memcpy(samples.data(), b.data(), samples.size() * 4);
    return samples;
}

TEST(WideSources, BitRateListsAreThoseOfTheSixteenBitCopy) {
    ASSERT_TRUE(LoadShim());
    test::TempDir dir;
    const auto [wide, narrow] = SoxTone(dir);
    if (wide.empty()) GTEST_SKIP() << "sox is not installed";
    test::RecordingSeam seam;
    const BitRateLists lists = BuildBitRateLists(wide, seam);
    EXPECT_FALSE(lists.lame.empty());
    EXPECT_EQ(lists.lame, BuildBitRateLists(narrow, seam).lame);
    EXPECT_EQ(lists.acm, BuildBitRateLists(narrow, seam).acm);
}

// On either route the MP3 of a 24-bit source is as long as that of its 16-bit
// copy, and sounds the same: their difference stays below -50 dBFS RMS.
TEST(WideSources, EncodeAsTheirSixteenBitCopy) {
    ASSERT_TRUE(LoadShim());
    UseConverter({&IsValidMP3CodecFound, &IsBitrateSupported, &ConvertWaveFileToMp3, &GetStatusWavToMP3,
                  &StopConversionWavToMP3, &OpenConversionWavToMP3, &ConvertWaveFileToMp3Ex, &GetStatusWavToMP3Ex,
                  &StopConversionWavToMP3Ex, &CloseConversionWavToMP3});
    test::TempDir dir;
    const auto [wide, narrow] = SoxTone(dir);
    if (wide.empty() || !test::HasTool("ffmpeg")) GTEST_SKIP() << "sox or ffmpeg is not installed";
    for (const char* codec : {kLameCodecName, kAcmCodecName}) {
        SCOPED_TRACE(codec);
        test::RecordingSeam seam;
        ASSERT_EQ(ConvertToMp3(codec, wide, dir.path() + "/24.mp3", 128, seam, {}), 0);
        ASSERT_EQ(ConvertToMp3(codec, narrow, dir.path() + "/16.mp3", 128, seam, {}), 0);
        const std::vector<float> a = Decode(dir.path() + "/24.mp3"), b = Decode(dir.path() + "/16.mp3");
        ASSERT_FALSE(a.empty());
        ASSERT_EQ(a.size(), b.size());
        double sum = 0;
        for (std::size_t i = 0; i < a.size(); ++i) sum += double(a[i] - b[i]) * double(a[i] - b[i]);
        EXPECT_LT(10 * std::log10(sum / double(a.size()) + 1e-30), -50.0);
    }
}

TEST(LameLoading, AFolderWithoutTheShimMeansNoLame) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, nothing loaded yet
    EXPECT_EXIT(std::exit(LoadLameLibraryFrom({"/no/such/folder/liblame_enc.so", "liblame_enc_absent.so"}) ? 1 : 0),
                ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(LoadShim());
}

}  // namespace
}  // namespace quillon::engine
