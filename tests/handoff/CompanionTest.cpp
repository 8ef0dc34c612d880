// The companion hand-off: the registry stand-in, the installations found in
// it, the folder in an uninstall command line, the command line built, and a
// real start of a stand-in companion.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/ErrorCodes.h"
#include "handoff/Companion.h"
#include "platform/Registry.h"
#include "platform/ShellExecute.h"
#include "support/RecordingSeam.h"
#include "support/TestWave.h"

namespace quillon::engine {
namespace {

using test::TempDir;

// A fake installation: a folder with the named executables (the stand-in
// companion when one of them is TRM32.EXE).
std::string Install(const TempDir& dir, const std::string& name, std::initializer_list<const char*> exes) {
    const std::string folder = dir.path() + "/" + name + "/";
    std::filesystem::create_directories(folder);
    for (const char* exe : exes) {
        std::filesystem::copy_file(QUILLON_FAKE_COMPANION, folder + exe,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    return folder;
}

std::string Uninstall(const std::string& folder) { return "/usr/bin/isuninst -f\"" + folder + "Uninst.isu\""; }

struct FolderCase {
    const char* uninstall;
    const char* folder;  // nullptr: none
};
class UninstallString : public ::testing::TestWithParam<FolderCase> {};

TEST_P(UninstallString, NamesTheInstallationFolder) {
    const auto folder = InstallFolderFromUninstallString(GetParam().uninstall);
    if (GetParam().folder == nullptr) {
        EXPECT_FALSE(folder.has_value());
    } else {
        ASSERT_TRUE(folder.has_value());
        EXPECT_EQ(*folder, GetParam().folder);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Strings, UninstallString,
    ::testing::Values(FolderCase{"/usr/bin/isuninst -f\"/opt/Trimora/Uninst.isu\"", "/opt/Trimora/"},
                      FolderCase{"/usr/bin/isuninst -f\"/opt/My Apps/Trimora 2/Uninst.isu\"",
                                 "/opt/My Apps/Trimora 2/"},
                      FolderCase{"/usr/bin/isuninst -f/opt/Trimora/Uninst.isu ", "/opt/Trimora/"},
                      FolderCase{"/usr/bin/isuninst \"/opt/Trimora/Uninst.isu\"", nullptr},    // no -f
                      FolderCase{"/usr/bin/isuninst -f\"/opt/Trimora/Remove.isu\"", nullptr},  // no /Uninst.is
                      FolderCase{"", nullptr}));

class Registry : public ::testing::Test {
protected:
    void Write(const std::string& text) { std::ofstream(file_) << text; }
    TempDir dir_;
    std::string file_ = dir_.path() + "/registry.ini";
    test::RecordingSeam seam_;
};

TEST_F(Registry, KeysAndValuesMatchIgnoringCaseAndEnumerateInFileOrder) {
    Write(
        "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zeta]\nDisplayName=Z\n"
        "[software\\microsoft\\windows\\currentversion\\uninstall\\Alpha]\ndisplayname = \"A\"\n"
        "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Alpha\\Deeper]\nX=1\n");
    const auto uninstall = platform::RegistryKey::Open(kUninstallKey, file_);
    ASSERT_TRUE(uninstall);
    EXPECT_EQ(uninstall->SubKeyNames(), (std::vector<std::string>{"Zeta", "Alpha"}));
    const auto alpha = platform::RegistryKey::Open(std::string(kUninstallKey) + "\\ALPHA", file_);
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->Value("DisplayName"), "A");
    EXPECT_EQ(alpha->Value("Missing"), "");
    EXPECT_FALSE(platform::RegistryKey::Open("SOFTWARE\\Nothing", file_));
    EXPECT_FALSE(platform::RegistryKey::Open(kUninstallKey, dir_.path() + "/none.ini"));
}

TEST_F(Registry, InstallationsAreFoundByNameInAnyCase) {
    const std::string old = Install(dir_, "old", {"TRM.EXE"});
    const std::string both = Install(dir_, "both", {"TRM.EXE", "TRM32.EXE"});
    const std::string second = Install(dir_, "second", {"TRM32.EXE"});
    Write("[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other]\nUninstallString=" + Uninstall(second) +
          "\n"
          "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\trimora 1.6]\nDisplayName=Old\nUninstallString=" +
          Uninstall(old) + "\n" +
          "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvane TriMora 2.0]\nDisplayName=Both\n"
          "UninstallString=" +
          Uninstall(both) + "\n" +
          "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TRIMORA broken]\nUninstallString=/x -q\n"
          "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Trimora second]\nUninstallString=" +
          Uninstall(second) + "\n");
    const auto found = FindCompanionInstallations(file_);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].ExePath, old + "TRM.EXE");
    EXPECT_EQ(found[0].DisplayName, "Old");
    EXPECT_EQ(found[1].ExePath, both + "TRM.EXE");
    EXPECT_EQ(found[2].ExePath, both + "TRM32.EXE");
    EXPECT_EQ(found[3].ExePath, second + "TRM32.EXE");
    bool oldRelease = true;
    EXPECT_EQ(ChooseInstallation(found, oldRelease), both + "TRM32.EXE");  // the first TRM32.EXE
    EXPECT_FALSE(oldRelease);
    EXPECT_EQ(ChooseInstallation({found[0]}, oldRelease), std::nullopt);
    EXPECT_TRUE(oldRelease);
    EXPECT_EQ(ChooseInstallation({}, oldRelease), std::nullopt);
    EXPECT_FALSE(oldRelease);
}

TEST(CompanionCommandLine, TheWorkedExampleByteForByte) {
    TempDir out;
    const std::string f = out.path() + "/";
    out.Write("A.MP3", {1});
    TrackList tracks{{"A", "", "", "", 0, 1}, {"B", "", "", "", 0, 1}, {"C", "", "", "", 1, 0}};
    EXPECT_EQ(CompanionParameters(HandOffBurn, tracks, f),
              " /Burn  \"" + f + "A.MP3\" \"" + f + "A.wav\" \"" + f + "B.wav\"");
    EXPECT_EQ(CompanionParameters(HandOffEdit, tracks, f), " \"" + f + "A.wav\" \"" + f + "B.wav\"");
    EXPECT_EQ(platform::SplitParameters(CompanionParameters(HandOffBurn, tracks, f)),
              (std::vector<std::string>{"/Burn", f + "A.MP3", f + "A.wav", f + "B.wav"}));
}

TEST(CompanionCommandLine, CheckedFilesMarkWhatIsSaved) {
    TempDir out;
    const std::string f = out.path() + "/";
    out.Write("A.wav", {1});
    out.Write("B.MP3", {1});
    TrackList tracks{{"A", "", "", "", 0, 0}, {"B", "", "", "", 0, 0}, {"C", "", "", "", 0, 1}};
    TrackFiles files = CheckTrackFiles(tracks, {true, true, false}, f, HandOffBurn);
    EXPECT_FALSE(files.allWaves);
    EXPECT_FALSE(files.allMp3);
    EXPECT_EQ(tracks[0].WaveSaved, 1);
    EXPECT_EQ(tracks[1].WaveSaved, 0);
    EXPECT_EQ(tracks[2].WaveSaved, 1);  // never cleared
    files = CheckTrackFiles(tracks, {false, true, false}, f, HandOffBurn);
    EXPECT_TRUE(files.allMp3);
}

TEST(CompanionCommandLine, AFileCutAtAnotherRangeCountsAsMissing) {
    TempDir out;
    const std::string f = out.path() + "/";
    out.Write("A.wav", {1});
    out.Write("A.MP3", {1});
    const std::string mp3 = " \"" + f + "A.MP3\"", wave = " \"" + f + "A.wav\"";
    const struct {
        uint8_t outdated;
        bool allWaves, allMp3;
        uint8_t waveSaved;
        std::string burn;  // the parameters after " /Burn ", WaveSaved set
    } cases[] = {
        {0, true, true, 1, mp3 + wave},
        {OutdatedWave, false, true, 0, mp3},
        {OutdatedMp3, true, false, 1, wave},
        {OutdatedFlac, true, true, 1, mp3 + wave},
    };
    for (const auto& c : cases) {
        TrackList tracks{{"A", "", "", "", 1, 0}};
        tracks[0].Outdated = c.outdated;
        const TrackFiles files = CheckTrackFiles(tracks, {true}, f, HandOffBurn);
        EXPECT_EQ(files.allWaves, c.allWaves) << int(c.outdated);
        EXPECT_EQ(files.allMp3, c.allMp3) << int(c.outdated);
        EXPECT_EQ(tracks[0].WaveSaved, c.waveSaved) << int(c.outdated);
        tracks[0].WaveSaved = 1;
        EXPECT_EQ(CompanionParameters(HandOffBurn, tracks, f), " /Burn " + c.burn) << int(c.outdated);
    }
}

TEST(CompanionLaunch, StartsTheProgramWithTheArguments) {
    TempDir dir;
    const std::string folder = Install(dir, "trimora", {"TRM32.EXE"});
    dir.Write("A.wav", {1});
    TrackList tracks{{"A", "", "", "", 1, 1}, {"B with space", "", "", "", 1, 1}};
    test::RecordingSeam seam;
    LaunchCompanion({"\"" + folder + "TRM32.EXE\"", HandOffEdit}, tracks, dir.path() + "/", seam);
    const std::string args = folder + "args.txt";
    for (int i = 0; i < 500 && !std::filesystem::exists(args); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const test::Bytes got = test::ReadFile(args);
    EXPECT_EQ(std::string(got.begin(), got.end()), dir.path() + "/A.wav\n" + dir.path() + "/B with space.wav\n");
    EXPECT_EQ(seam.statusTexts,
              (std::vector<std::string>{MessageText(MsgLoadingEditUi), MessageText(MsgLoadingCompanion)}));
    EXPECT_FALSE(platform::StartDetached(dir.path() + "/missing", {}));
}

}  // namespace
}  // namespace quillon::engine
