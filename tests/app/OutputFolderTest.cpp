// The output-folder rules: where tracks are saved, and whether all of them are.
#include <gtest/gtest.h>

#include <fstream>

#include "export/OutputFolder.h"
#include "platform/SpecialFolders.h"
#include "support/EnvGuard.h"
#include "support/TestWave.h"

namespace quillon {
namespace {

using test::TempDir;

class OutputFolderTest : public ::testing::Test {
protected:
    TempDir config_;
    test::EnvGuard guard_{"XDG_CONFIG_HOME", config_.path()};
    TempDir music_;
    engine::SettingsFile settings_{config_.path() + "/Quillon.ini"};
};

TEST_F(OutputFolderTest, SourceFoldersByDefault) {
    EXPECT_EQ(engine::GetOutputFolder("/records/side a/Side A.wav", settings_), "/records/side a/");
}

TEST_F(OutputFolderTest, ConfiguredFolderIsReturnedEvenWhenMissing) {
    settings_.Write(engine::keys::SameAsSourceFile, false);
    settings_.Write(engine::keys::OutputFilePath, "/gone/away");
    EXPECT_EQ(engine::GetOutputFolder("/records/Side A.wav", settings_), "/gone/away/");
}

TEST_F(OutputFolderTest, EmptyConfiguredFolderTakesTheMusicFolder) {
    std::ofstream(config_.path() + "/user-dirs.dirs") << "XDG_MUSIC_DIR=\"" << music_.path() << "\"\n";
    settings_.Write(engine::keys::SameAsSourceFile, false);
    EXPECT_EQ(engine::GetOutputFolder("/records/Side A.wav", settings_), music_.path() + "/");
}

// The program's own folder is /usr/bin once installed: no place to write.
TEST_F(OutputFolderTest, MissingMusicFolderFallsBackToTheHomeFolder) {
    std::ofstream(config_.path() + "/user-dirs.dirs") << "XDG_MUSIC_DIR=\"" << music_.path() << "/gone\"\n";
    settings_.Write(engine::keys::SameAsSourceFile, false);
    EXPECT_EQ(engine::GetOutputFolder("/records/Side A.wav", settings_), platform::HomeFolder() + "/");
}

TEST(AllTracksSaved, EveryTrackNeedsAWaveMp3OrFlacFileOfItsRange) {
    using namespace engine;
    TempDir out;
    const std::string folder = out.path() + "/";
    out.Write("One.wav", {0});
    out.Write("Two.MP3", {0});
    out.Write("Three.mp3", {0});
    out.Write("Five.flac", {0});
    out.Write("Four.txt", {0});
    out.Write("Six.wav", {0});
    out.Write("Six.flac", {0});
    const struct {
        const char* name;
        uint8_t outdated;
        bool saved;
    } cases[] = {
        {"One", 0, true},
        {"Two", 0, true},
        {"Three", 0, true},
        {"Five", 0, true},
        {"Four", 0, false},
        {"Seven", 0, false},
        {"One", OutdatedWave, false},
        {"One", OutdatedMp3 | OutdatedFlac, true},
        {"Three", OutdatedMp3, false},
        {"Five", OutdatedFlac, false},
        {"Six", OutdatedWave, true},  // its FLAC file holds its range
        {"Six", OutdatedWave | OutdatedFlac, false},
    };
    EXPECT_TRUE(AllTracksSaved(folder, {}));
    TrackList all;
    for (const auto& c : cases) {
        TRACK_INFO_STRUCT track{c.name, "", "", "", 0, 0};
        track.Outdated = c.outdated;
        EXPECT_EQ(AllTracksSaved(folder, {track}), c.saved) << c.name << " " << int(c.outdated);
        if (c.saved) all.push_back(track);
    }
    EXPECT_TRUE(AllTracksSaved(folder, all));
    all.push_back({"Four", "", "", "", 0, 0});
    EXPECT_FALSE(AllTracksSaved(folder, all));
}

}  // namespace
}  // namespace quillon
