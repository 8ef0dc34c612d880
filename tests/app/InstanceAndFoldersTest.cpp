// The instance lock, the worker-idle event, and the output-folder rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/WorkerIdleEvent.h"
#include "export/OutputFolder.h"
#include "platform/SingleInstance.h"
#include "platform/SpecialFolders.h"
#include "support/EnvGuard.h"
#include "support/TestWave.h"

namespace quillon {
namespace {

using test::TempDir;

TEST(InstanceLock, OnlyOneHolderUntilItIsReleased) {
    TempDir runtime;
    auto first = std::make_unique<platform::InstanceLock>();
    ASSERT_TRUE(first->TryAcquire(runtime.path()));
    platform::InstanceLock second;
    EXPECT_FALSE(second.TryAcquire(runtime.path()));
    first.reset();
    EXPECT_TRUE(second.TryAcquire(runtime.path()));
}

TEST(InstanceLock, UnusableFolderCountsAsASecondStart) {
    platform::InstanceLock lock;
    EXPECT_FALSE(lock.TryAcquire(""));
    EXPECT_FALSE(lock.TryAcquire("/no/such/folder"));
}

TEST(RuntimeFolder, FallsBackToAPrivateFolder) {
    test::EnvGuard guard("XDG_RUNTIME_DIR", "relative/path");
    const std::string folder = platform::RuntimeFolder();
    ASSERT_FALSE(folder.empty());
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, getuid());
}

TEST(WorkerIdleEvent, StaysResetWhileAnyWorkerRuns) {
    engine::WorkerIdleEvent idle;
    EXPECT_TRUE(idle.IsSignalled());
    idle.WorkerStarted();  // an aborted worker, still finishing
    idle.WorkerStarted();  // the next job's worker
    idle.WorkerEnded();
    EXPECT_FALSE(idle.IsSignalled());
    EXPECT_FALSE(idle.WaitFor(std::chrono::milliseconds(5)));
    std::thread last([&] { idle.WorkerEnded(); });
    idle.Wait();
    last.join();
    EXPECT_TRUE(idle.IsSignalled());
}

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

TEST(AllTracksSaved, EveryNameNeedsAWaveOrMp3File) {
    TempDir out;
    const std::string folder = out.path() + "/";
    EXPECT_TRUE(engine::AllTracksSaved(folder, {}));
    EXPECT_FALSE(engine::AllTracksSaved(folder, {"One"}));
    out.Write("One.wav", {0});
    out.Write("Two.MP3", {0});
    out.Write("Three.mp3", {0});
    EXPECT_TRUE(engine::AllTracksSaved(folder, {"One", "Two", "Three"}));
    EXPECT_FALSE(engine::AllTracksSaved(folder, {"One", "Four", "Two"}));
    out.Write("Four.txt", {0});
    EXPECT_FALSE(engine::AllTracksSaved(folder, {"Four"}));
}

}  // namespace
}  // namespace quillon
