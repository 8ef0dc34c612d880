#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>

#include "app/ErrorCodes.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

struct CliRun {
    int status;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    const Bytes b = ReadFile(path);
    return std::string(b.begin(), b.end());
}

// Runs quillon-cli with a home folder of the test's own, so the user's
// settings never leak in; output and errors are captured in files.
CliRun Cli(const TempDir& home, std::vector<std::string> args, const std::string& cwd = "") {
    const char* cli = std::getenv("QUILLON_CLI");
    if (!cli) return {-1, "", "QUILLON_CLI is not set"};
    const std::string out = home.path() + "/.stdout", err = home.path() + "/.stderr";
    const pid_t child = fork();
    if (child == 0) {
        const int o = open(out.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        const int e = open(err.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        dup2(o, 1);
        dup2(e, 2);
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        setenv("HOME", home.path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(99);
        std::vector<char*> argv{const_cast<char*>(cli)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(cli, argv.data());
        _exit(98);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

Format At1000() {
    Format f;
    f.rate = 1000;
    return f;
}

// Three pieces at 1000 Hz (a frame is a millisecond): gaps of 3.5 s and 1.5 s.
Bytes ThreePieces() {
    return PcmWave(At1000(), Pcm(16, 2).Loud(2000).Silent(3500).Loud(2000).Silent(1500).Loud(1000).bytes());
}

TEST(Cli, AnalyzePrintsTheTrackListAsTabSeparatedLines) {
    TempDir dir;
    const std::string path = dir.Write("Side B.wav", ThreePieces());
    const CliRun r = Cli(dir, {"analyze", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Side B.0001\t00:00:000\t00:03:750\t00:03:750\n"
              "Side B.0002\t00:03:750\t00:10:000\t00:06:250\n");
    EXPECT_EQ(r.err, "") << "no progress bar when stderr is not a terminal";
}

TEST(Cli, ThresholdsComeFromTheSettingsFileAndFlagsOverrideThem) {
    TempDir dir;
    const std::string path = dir.Write("t.wav", ThreePieces());
    std::filesystem::create_directories(dir.path() + "/.config");
    const std::string ini = "[SilenceDuratuionSection]\nSilenceDuration:=1\n";
    dir.Write(".config/Quillon.ini", Bytes(ini.begin(), ini.end()));

    const auto lines = [](const CliRun& r) { return std::count(r.out.begin(), r.out.end(), '\n'); };
    EXPECT_EQ(lines(Cli(dir, {"analyze", path})), 3) << "1 s from the file splits both gaps";
    EXPECT_EQ(lines(Cli(dir, {"analyze", "--duration", "2", path})), 2);
    EXPECT_EQ(lines(Cli(dir, {"analyze", "--duration-ms=4000", path})), 1);
    EXPECT_EQ(lines(Cli(dir, {"analyze", "--amplitude", "0", path})), 1);
}

TEST(Cli, JsonAndCueOutputs) {
    TempDir dir;
    const std::string path = dir.Write("Say \"hi\".wav", ThreePieces());
    const CliRun json = Cli(dir, {"analyze", "--format", "json", path});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"file\": \"" + dir.path() + "/Say \\\"hi\\\".wav\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"samplesPerSecond\": 1000"), std::string::npos);
    EXPECT_NE(json.out.find("\"durationMs\": 10000"), std::string::npos);
    EXPECT_NE(json.out.find("{\"name\": \"Say \\\"hi\\\".0002\", \"start\": \"00:03:750\", \"stop\": \"00:10:000\", "
                            "\"duration\": \"00:06:250\"}"),
              std::string::npos)
        << json.out;

    const CliRun cue = Cli(dir, {"analyze", "--format=cue", path});
    EXPECT_EQ(cue.out,
              "TITLE \"Say 'hi'\"\n"
              "FILE \"Say 'hi'.wav\" WAVE\n"
              "  TRACK 01 AUDIO\n"
              "    TITLE \"Say 'hi'.0001\"\n"
              "    INDEX 01 00:00:00\n"
              "  TRACK 02 AUDIO\n"
              "    TITLE \"Say 'hi'.0002\"\n"
              "    INDEX 01 00:03:56\n");  // 3.75 s = 281.25 CD frames
}

TEST(Cli, RefusedFilesShowTheWindowsMessageAndExitOne) {
    TempDir dir;
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {dir.Write("n.wav", Bytes(50, 'n')), engine::MessageText(engine::MsgNotValidWave)},
        {dir.path() + "/missing.wav", engine::MessageText(engine::MsgFileDoesNotExist)},
        {dir.Write("e.wav", PcmWave({}, {})), engine::MessageText(engine::MsgNoDataToAnalyze)},
        {dir.Write("f.wav", PcmWave(Format{3, 2, 44100, 32}, Bytes(16))), engine::MessageText(engine::MsgFormatNotSupported)},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(dir, {"analyze", c.file});
        EXPECT_EQ(r.status, 1) << c.file;
        std::string expected = c.message;
        while (!expected.empty() && expected.back() == ' ') expected.pop_back();
        EXPECT_EQ(r.err, expected + "\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST(Cli, RelativePathsAreTakenFromTheWorkingFolder) {
    TempDir dir;
    dir.Write("rel.wav", ThreePieces());
    const CliRun r = Cli(dir, {"analyze", "rel.wav"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 9), "rel.0001\t");
}

TEST(Cli, BadArgumentsPrintTheUsageAndExitTwo) {
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"analyze"},
        {"analyze", "--format", "xml", "a.wav"},
        {"analyze", "--amplitude", "ten", "a.wav"},
        {"analyze", "--amplitude"},
        {"analyze", "--duration", "3", "--duration-ms", "3000", "a.wav"},
        {"analyze", "--bogus", "a.wav"},
        {"analyze", "a.wav", "b.wav"},
    };
    for (const auto& args : cases) {
        const CliRun r = Cli(dir, args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("Usage: quillon-cli analyze"), std::string::npos);
    }
    const CliRun help = Cli(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quillon-cli analyze"), std::string::npos);
}

}  // namespace
}  // namespace quillon::test
