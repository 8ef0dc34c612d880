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

TEST(AllTracksSaved, EveryNameNeedsAWaveMp3OrFlacFile) {
    TempDir out;
    const std::string folder = out.path() + "/";
    EXPECT_TRUE(engine::AllTracksSaved(folder, {}));
    EXPECT_FALSE(engine::AllTracksSaved(folder, {"One"}));
    out.Write("One.wav", {0});
    out.Write("Two.MP3", {0});
    out.Write("Three.mp3", {0});
    out.Write("Five.flac", {0});
    EXPECT_TRUE(engine::AllTracksSaved(folder, {"One", "Two", "Three", "Five"}));
    EXPECT_FALSE(engine::AllTracksSaved(folder, {"One", "Four", "Two"}));
    out.Write("Four.txt", {0});
    EXPECT_FALSE(engine::AllTracksSaved(folder, {"Four"}));
}

}  // namespace
}  // namespace quillon
