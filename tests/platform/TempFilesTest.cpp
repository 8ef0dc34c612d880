// The sweep at the start of a save: which hidden temporary files it takes for
// the leftovers of a save that died, and which it must leave alone.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FileOps.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

std::string NameOf(const std::string& path) { return std::filesystem::path(path).filename(); }

// Another process that makes a temporary file in folder and keeps writing it
// (as far as anyone can tell) until it is told to end or is killed.
class OtherSave {
public:
    explicit OtherSave(const std::string& folder) {
        int made[2], end[2];
        if (pipe(made) != 0 || pipe(end) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(made[0]);
            close(end[1]);
            const std::string path = platform::CreateUniqueFile(folder);
            (void)!write(made[1], path.data(), path.size());
            close(made[1]);
            char c;
            (void)!read(end[0], &c, 1);  // until the test closes its end
            _exit(0);
        }
        close(made[1]);
        close(end[0]);
        end_ = end[1];
        char buffer[512];
        const ssize_t n = read(made[0], buffer, sizeof buffer);
        close(made[0]);
        if (n > 0) path_.assign(buffer, std::size_t(n));
    }
    ~OtherSave() {
        if (end_ >= 0) close(end_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    OtherSave(const OtherSave&) = delete;
    OtherSave& operator=(const OtherSave&) = delete;

    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    pid_t pid_ = -1;
    int end_ = -1;
    std::string path_;
};

TEST(TempFiles, TheSweepRemovesOnlyWhatNoRunningSaveHolds) {
    TempDir dir;
    OtherSave running(dir.path()), killed(dir.path());
    ASSERT_FALSE(running.path().empty());
    ASSERT_FALSE(killed.path().empty());
    killed.Kill();
    const std::string own = platform::CreateUniqueFile(dir.path());  // this process's, still being written
    ASSERT_FALSE(own.empty());
    const struct {
        std::string name;
        bool kept;
    } cases[] = {
        {NameOf(running.path()), true},        {NameOf(own), true},
        {NameOf(killed.path()), false},         // kill -9 gives the lock back
        {".quillon-0123456789ab.part", false},  // nobody holds it
        {".quillon-0123456789AB.part", true},   // not this program's naming, from here on
        {".quillon-0123456789a.part", true},   {".quillon-0123456789abc.part", true},
        {"quillon-0123456789ab.part", true},   {".quillon-0123456789ab.part.wav", true},
        {".quillon-0123456789ab.wav", true},   {"Side.0001.wav", true},
    };
    for (const auto& c : cases) {
        if (!std::filesystem::exists(dir.path() + "/" + c.name)) dir.Write(c.name, {'x'});
    }
    platform::RemoveStaleTempFiles(dir.path());
    for (const auto& c : cases) EXPECT_EQ(std::filesystem::exists(dir.path() + "/" + c.name), c.kept) << c.name;
    platform::RemoveFile(own);
}

}  // namespace
}  // namespace quillon::test
