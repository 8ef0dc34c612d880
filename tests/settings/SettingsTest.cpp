#include <gtest/gtest.h>

#include "app/ErrorCodes.h"
#include "settings/Settings.h"
#include "support/EnvGuard.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using namespace engine;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(Settings, EveryKeyHasItsDefaultWithoutAFile) {
    TempDir dir;
    const SettingsFile s(dir.path() + "/Quillon.ini");
    EXPECT_EQ(s.Read(keys::FileType), 0);
    EXPECT_EQ(s.Read(keys::SilenceAmplitude), 10);
    EXPECT_EQ(s.Read(keys::SilenceDuration), 3);
    EXPECT_EQ(s.Read(keys::PreViewEndTime), 5);
    EXPECT_EQ(s.ReadInteger(keys::PreViewEndTime, -1), -1);
    EXPECT_TRUE(s.Read(keys::SameAsSourceFile));
    EXPECT_EQ(s.Read(keys::OutputFilePath), "");
    EXPECT_EQ(s.Read(keys::CodecName, "Windows ACM Default"), "Windows ACM Default");
    EXPECT_EQ(s.Read(keys::BitRate), -1);
    EXPECT_TRUE(s.Read(keys::IsRunningFirstTime));
    EXPECT_FALSE(s.Read(keys::WideFormats));
    EXPECT_EQ(s.Read(keys::FlacLevel), 5);
}

TEST(Settings, IntegerTextsAsUsersWriteThem) {
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"30", 30},
        {"0x1E", 30},
        {"0X1e", 30},
        {"abc", 10},
        {"500", 500},
        {"-1", -1},
        {"+7", 7},
        {"0x", 10},
        {"0xZZ", 10},
        {"0xFFFFFFFF", -1},
        {"0x100000000", 10},
        {"2147483648", 10},
        {"-2147483648", INT32_MIN},
        {"", 10},
        {"1.5", 10},
        {"12abc", 10},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text, 10), c.expected) << '"' << c.text << '"';
}

TEST(Settings, ReadsHandEditedFilesWithoutRangeChecks) {
    TempDir dir;
    const std::string path = dir.Write("Quillon.ini", Text("[silenceamplitudesection]\n"
                                                           "SILENCEAMPLITUDE:= 0x1E \n"
                                                           "[SilenceDuratuionSection]\n"
                                                           "SilenceDuration:=500\n"
                                                           "[OutputFilePathSection]\n"
                                                           "SameAsSourceFile:=2\n"
                                                           "[ProgramSection]\n"
                                                           "IsRunningFirstTime:=0\n"
                                                           "[FlacSection]\n"
                                                           "CompressionLevel:=9\n"
                                                           "[FileTypeSection]\n"
                                                           "FileType:=3\n"));
    const SettingsFile s(path);
    EXPECT_EQ(s.Read(keys::SilenceAmplitude), 30);
    EXPECT_EQ(s.Read(keys::SilenceDuration), 500);
    EXPECT_EQ(s.Read(keys::FlacLevel), 9);
    // Unless the reader cannot take such a number: then it is the default.
    EXPECT_EQ(s.ReadInRange(keys::FlacLevel, 0, keys::kFlacLevelMax), 5);
    EXPECT_EQ(s.ReadInRange(keys::FileType, 0, 2), 0);
    EXPECT_EQ(s.ReadInRange(keys::SilenceAmplitude, 1, 100), 30);
    EXPECT_TRUE(s.Read(keys::SameAsSourceFile)) << "any non-zero value is true";
    EXPECT_FALSE(s.Read(keys::IsRunningFirstTime));
}

TEST(Settings, WritesKeysWithTheirColonsByteForByte) {
    TempDir dir;
    const SettingsFile s(dir.path() + "/Quillon.ini");
    s.Write(keys::FileType, 1);
    s.Write(keys::SameAsSourceFile, false);
    s.Write(keys::OutputFilePath, "/home/me/Music/Side A");
    s.Write(keys::FileType, 2);
    s.Write(keys::WideFormats, true);
    s.Write(keys::FlacLevel, 8);
    const Bytes b = ReadFile(s.Path());
    EXPECT_EQ(std::string(b.begin(), b.end()),
              "[FileTypeSection]\n"
              "FileType:=2\n"
              "\n"
              "[OutputFilePathSection]\n"
              "SameAsSourceFile:=0\n"
              "OutputFilePath=/home/me/Music/Side A\n"
              "\n"
              "[WaveFormatSection]\n"
              "WideFormats:=1\n"
              "\n"
              "[FlacSection]\n"
              "CompressionLevel:=8\n");
    EXPECT_EQ(s.Read(keys::OutputFilePath), "/home/me/Music/Side A");
    EXPECT_TRUE(s.Read(keys::WideFormats));
    EXPECT_EQ(s.ReadInRange(keys::FileType, 0, 2), 2);
    EXPECT_EQ(s.ReadInRange(keys::FlacLevel, 0, keys::kFlacLevelMax), 8);
}

TEST(Settings, CreatesAMissingConfigurationFolder) {
    TempDir dir;
    const SettingsFile s(dir.path() + "/fresh/config/Quillon.ini");
    s.Write(keys::SilenceAmplitude, 20);
    EXPECT_EQ(s.Read(keys::SilenceAmplitude), 20);
}

TEST(Settings, AnUnwritableFileRaisesUnableToWrite) {
    TempDir dir;
    const std::string blocker = dir.Write("file", Text("not a folder"));
    const SettingsFile s(blocker + "/Quillon.ini");
    try {
        s.Write(keys::FileType, 1);
        FAIL() << "the write was reported as done";
    } catch (const RaisedError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + blocker + "/Quillon.ini");
    }
}

TEST(Settings, TheUsersFileLivesInTheConfigurationFolder) {
    TempDir dir;
    EnvGuard config("XDG_CONFIG_HOME", dir.path());
    EXPECT_EQ(SettingsFile().Path(), dir.path() + "/Quillon.ini");
}

}  // namespace
}  // namespace quillon::test
