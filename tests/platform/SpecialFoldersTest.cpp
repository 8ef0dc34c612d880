#include <gtest/gtest.h>

#include <filesystem>

#include "platform/SpecialFolders.h"
#include "settings/Settings.h"
#include "support/EnvGuard.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using platform::UserFolder;
using platform::UserFolderPath;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct FakeHome {
    TempDir dir;
    EnvGuard home{"HOME", dir.path()};
    EnvGuard config{"XDG_CONFIG_HOME", std::nullopt};
    void MakeFolder(const std::string& name) const { std::filesystem::create_directories(dir.path() + "/" + name); }
    void UserDirs(const std::string& text) const {
        MakeFolder(".config");
        dir.Write(".config/user-dirs.dirs", Text(text));
    }
};

TEST(SpecialFolders, ConfigHomeFollowsXdgOrDefaultsUnderHome) {
    FakeHome home;
    EXPECT_EQ(platform::ConfigHomeFolder(), home.dir.path() + "/.config");
    EXPECT_EQ(engine::GetSettingsFolder(), home.dir.path() + "/.config/");
    {
        EnvGuard xdg("XDG_CONFIG_HOME", "/somewhere/else/");
        EXPECT_EQ(platform::ConfigHomeFolder(), "/somewhere/else");
    }
    {
        EnvGuard relative("XDG_CONFIG_HOME", "relative/is/ignored");
        EXPECT_EQ(platform::ConfigHomeFolder(), home.dir.path() + "/.config");
    }
}

TEST(SpecialFolders, UserDirsEntriesNameTheFolders) {
    FakeHome home;
    home.UserDirs(
        "# written by xdg-user-dirs-update\n"
        "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n"
        "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n");
    EXPECT_EQ(UserFolderPath(UserFolder::Music), home.dir.path() + "/Tunes") << "named even if not on disk";
    EXPECT_EQ(UserFolderPath(UserFolder::Documents), "/srv/docs");
}

TEST(SpecialFolders, DefaultOutputFolderFallsBackFromMusicToDocuments) {
    FakeHome home;
    const std::string h = home.dir.path();
    EXPECT_EQ(engine::GetDefaultOutputFolder(), "") << "no entries and no default folders";

    home.MakeFolder("Documents");
    EXPECT_EQ(engine::GetDefaultOutputFolder(), h + "/Documents");

    home.MakeFolder("Music");
    EXPECT_EQ(engine::GetDefaultOutputFolder(), h + "/Music");

    home.UserDirs("XDG_MUSIC_DIR=\"$HOME/\"\n");  // the music folder switched off
    EXPECT_EQ(engine::GetDefaultOutputFolder(), h + "/Documents");
}

TEST(SpecialFolders, ProgramFolderIsThisExecutablesFolder) {
    const std::string folder = platform::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(std::filesystem::exists(folder + "/test_platform"));
}

}  // namespace
}  // namespace quillon::test
