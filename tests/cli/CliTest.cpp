#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "app/ErrorCodes.h"
#include "support/TestWave.h"
#include "support/Tools.h"

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

// Starts quillon-cli with a home folder of the test's own, so the user's
// settings never leak in; output and errors are captured in files, or the
// output goes to out when given. A file size limit, when given, holds for the
// program's writes. -1 when QUILLON_CLI is not set.
pid_t StartCli(const TempDir& home, std::vector<std::string> args, const std::string& cwd = "",
               rlim_t fileSizeLimit = RLIM_INFINITY, int out = -1) {
    const char* cli = std::getenv("QUILLON_CLI");
    if (!cli) return -1;
    const std::string outFile = home.path() + "/.stdout", err = home.path() + "/.stderr";
    const pid_t child = fork();
    if (child == 0) {
        const int o = out >= 0 ? out : open(outFile.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        const int e = open(err.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        dup2(o, 1);
        dup2(e, 2);
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        setenv("HOME", home.path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(99);
        const rlimit limit{fileSizeLimit, RLIM_INFINITY};
        if (fileSizeLimit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(97);
        std::vector<char*> argv{const_cast<char*>(cli)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(cli, argv.data());
        _exit(98);
    }
    return child;
}

// Waits for the run StartCli began and gives its results.
CliRun FinishCli(const TempDir& home, pid_t child) {
    if (child < 0) return {-1, "", "QUILLON_CLI is not set"};
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(home.path() + "/.stdout"),
            Slurp(home.path() + "/.stderr")};
}

CliRun Cli(const TempDir& home, const std::vector<std::string>& args, const std::string& cwd = "",
           rlim_t fileSizeLimit = RLIM_INFINITY) {
    return FinishCli(home, StartCli(home, args, cwd, fileSizeLimit));
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
    EXPECT_EQ(lines(Cli(dir, {"analyze", "--amplitude", "1", "--duration-ms", "100000", path})), 1);
}

TEST(Cli, JsonAndCueOutputs) {
    TempDir dir;
    const std::string path = dir.Write("Say \"hi\".wav", ThreePieces());
    const CliRun json = Cli(dir, {"analyze", "--format", "json", path});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"file\": \"" + dir.path() + "/Say \\\"hi\\\".wav\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"samplesPerSecond\": 1000"), std::string::npos);
    EXPECT_NE(json.out.find("\"durationMs\": 10000"), std::string::npos);
    EXPECT_NE(json.out.find("\"formatTag\": 1,\n  \"subFormatTag\": null,\n  \"validBitsPerSample\": 16,\n"
                            "  \"floatingPoint\": false,\n"),
              std::string::npos);
    EXPECT_NE(json.out.find("{\"name\": \"Say \\\"hi\\\".0002\", \"start\": \"00:03:750\", \"stop\": \"00:10:000\", "
                            "\"duration\": \"00:06:250\", \"title\": null}"),
              std::string::npos)
        << json.out;

    // A layout the wide-formats setting of the settings file opens: extensible 32-bit float.
    std::filesystem::create_directories(dir.path() + "/.config");
    const std::string ini = "[WaveFormatSection]\nWideFormats:=1\n";
    dir.Write(".config/Quillon.ini", Bytes(ini.begin(), ini.end()));
    const std::string floats = dir.Write(
        "f.wav", Riff({Chunk("fmt ", ExtensibleFmtBody(1, 1000, 32, 32, 3)), Chunk("data", Bytes(4000))}));
    const CliRun wide = Cli(dir, {"analyze", "--format", "json", floats});
    EXPECT_EQ(wide.status, 0) << wide.err;
    EXPECT_NE(wide.out.find("\"bitsPerSample\": 32,\n  \"channels\": 1,\n  \"formatTag\": 65534,\n"
                            "  \"subFormatTag\": 3,\n  \"validBitsPerSample\": 32,\n  \"floatingPoint\": true,\n"),
              std::string::npos)
        << wide.out;

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

// The sheet's third track has no TITLE: its row keeps its name and has no title.
TEST(Cli, NamesFromACueSheetNameTheListedTracks) {
    TempDir dir;
    const std::string path = dir.Write("t.wav", ThreePieces());
    const std::string cue =
        "FILE \"t.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Intro\"\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    TITLE \"AC/DC\"\n    INDEX 01 00:03:00\n  TRACK 03 AUDIO\n    INDEX 01 00:08:00\n";
    const std::string sheet = dir.Write("Sheet.CUE", Bytes(cue.begin(), cue.end()));
    const std::vector<std::string> named = {"analyze", "--duration", "1", "--names", sheet};
    const auto run = [&](std::vector<std::string> more) {
        more.insert(more.begin(), named.begin(), named.end());
        more.push_back(path);
        return Cli(dir, more);
    };
    const CliRun tsv = run({"--number-names", "--first-number", "9"});
    EXPECT_EQ(tsv.status, 0) << tsv.err;
    EXPECT_EQ(tsv.out,
              "09 Intro\t00:00:000\t00:03:750\t00:03:750\n"
              "10 AC-DC\t00:03:750\t00:08:250\t00:04:500\n"
              "t.0003\t00:08:250\t00:10:000\t00:01:750\n");
    const CliRun json = run({"--format", "json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("{\"name\": \"AC-DC\", \"start\": \"00:03:750\", \"stop\": \"00:08:250\", "
                            "\"duration\": \"00:04:500\", \"title\": \"AC/DC\"}"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"name\": \"t.0003\", \"start\": \"00:08:250\", \"stop\": \"00:10:000\", "
                            "\"duration\": \"00:01:750\", \"title\": null}"),
              std::string::npos);
    EXPECT_NE(run({"--format", "cue"}).out.find("    TITLE \"AC/DC\"\n"), std::string::npos);
}

TEST(Cli, RefusedFilesShowTheWindowsMessageAndExitOne) {
    TempDir dir;
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {dir.Write("n.wav", Bytes(50, 'n')), engine::MessageText(engine::MsgNotValidWave)},
        {dir.Write("e.wav", PcmWave({}, {})), engine::MessageText(engine::MsgNoDataToAnalyze)},
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

TEST(Cli, CountChoosesTheThresholdsOrListsNothingAndSaysWhy) {
    // Pieces of 20 s apart by 3.5 s and 1.5 s of digital silence.
    TempDir dir;
    const std::string path = dir.Write(
        "t.wav", PcmWave(At1000(), Pcm(16, 2).Loud(20000).Silent(3500).Loud(20000).Silent(1500).Loud(20000).bytes()));
    struct Case {
        std::vector<std::string> args;
        int status;
        int lines;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--count", "2"}, 0, 2, "2 tracks at amplitude 1 % and duration 3 s.\n"},  // between the two gaps
        {{"--count", "2", "--amplitude", "20"}, 0, 2, "2 tracks at amplitude 20 % and duration 3 s.\n"},
        {{"--count", "5"}, 1, 0, "No thresholds separate 5 tracks; the closest is 3 tracks at 1 % and 1 s.\n"},
        {{"--count", "5", "--closest"},
         1,
         3,
         "No thresholds separate 5 tracks; the closest is 3 tracks at 1 % and 1 s.\n"},
        {{"--count", "1"}, 0, 1, "1 track at amplitude 10 % and duration 4 s.\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"analyze"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(path);
        const CliRun r = Cli(dir, args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args) << r.err;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), c.lines) << testing::PrintToString(c.args);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(Cli, CountOnARecordingWithoutAWholeFrameAnswersAsAnalyzeDoes) {
    TempDir dir;
    const std::string path = dir.Write("t.wav", PcmWave(At1000(), {0x01, 0x00}));  // half a stereo frame
    const CliRun one = Cli(dir, {"analyze", "--count", "1", path});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "t.0001\t00:00:000\t00:00:000\t00:00:000\n");
    const CliRun three = Cli(dir, {"analyze", "--count", "3", path});
    EXPECT_EQ(three.status, 1);
    EXPECT_EQ(three.out, "");
    EXPECT_EQ(three.err, "No thresholds separate 3 tracks; the closest is 1 track at 10 % and 3 s.\n");
}

TEST(Cli, ASingleTrackIsExplainedAndTheOverviewIsAPicture) {
    TempDir dir;
    const std::string path = dir.Write("t.wav", ThreePieces());
    const CliRun one = Cli(dir, {"analyze", "--duration", "4", "--format", "json", path});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.err,
              "No quiet stretch longer than 4 s below 10 %. The longest is 3.5 s at 00:02:000; there is none up to "
              "100 %.\n");
    EXPECT_NE(one.out.find("\"nothingFound\": {\"longestMs\": 3500, \"longestStart\": \"00:02:000\""),
              std::string::npos)
        << one.out;
    EXPECT_NE(one.out.find("\"overviewResolutionMs\": 10"), std::string::npos);

    const CliRun svg = Cli(dir, {"analyze", "--format", "svg", path});
    EXPECT_EQ(svg.status, 0);
    EXPECT_EQ(svg.out.rfind("<svg ", 0), 0u);
    EXPECT_NE(svg.out.find("t.0002"), std::string::npos);
    const std::string file = dir.Write("t.svg", Bytes(svg.out.begin(), svg.out.end()));
    if (std::system("command -v rsvg-convert >/dev/null") != 0) GTEST_SKIP() << "rsvg-convert is not installed";
    EXPECT_EQ(std::system(("rsvg-convert -o '" + dir.path() + "/t.png' '" + file + "'").c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(dir.path() + "/t.png"), 1000u);
}

TEST(Cli, BadArgumentsSayWhatWasWrongInOneLineAndExitTwo) {
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        std::string named;  // the option, value or command the line must name
    };
    const std::vector<Case> cases = {
        {{}, "no command"},
        {{"frobnicate"}, "frobnicate"},
        {{"analyze"}, "wave file"},
        {{"analyze", "--format", "xml", "a.wav"}, "--format"},
        {{"analyze", "--amplitude", "ten", "a.wav"}, "--amplitude"},
        {{"analyze", "--amplitude"}, "--amplitude"},
        {{"analyze", "--duration", "3", "--duration-ms", "3000", "a.wav"}, "--duration-ms"},
        {{"analyze", "--bogus", "a.wav"}, "--bogus"},
        {{"analyze", "--bogus\nline", "a.wav"}, "--bogus line"},  // a line break cannot split the line
        {{"analyze", "a.wav", "b.wav"}, "b.wav"},
        {{"analyze", "--count", "0", "a.wav"}, "--count"},
        {{"analyze", "--count", "3", "--duration", "2", "a.wav"}, "--duration"},
        {{"analyze", "--amplitude", "0", "a.wav"}, "--amplitude"},
        {{"analyze", "--amplitude", "101", "a.wav"}, "--amplitude"},
        {{"analyze", "--duration", "0", "a.wav"}, "--duration"},
        {{"analyze", "--duration", "4294968", "a.wav"}, "--duration"},  // would wrap to 0.7 s in 32 bits
        {{"analyze", "--duration-ms", "100001", "a.wav"}, "--duration-ms"},
        {{"analyze", "--closest", "a.wav"}, "--closest"},
        {{"save"}, "wave file"},
        {{"save", "--tracks", "0", "a.wav"}, "--tracks"},
        {{"save", "--tracks", "3-1", "a.wav"}, "--tracks"},
        {{"save", "--tracks", "1,,2", "a.wav"}, "--tracks"},
        {{"save", "--type", "ogg", "a.wav"}, "--type"},
        {{"save", "--yes", "--no-clobber", "a.wav"}, "--no-clobber"},
        {{"save", "--format", "json", "a.wav"}, "--format"},
        {{"save", "--count", "2", "--closest", "a.wav"}, "--closest"},
        {{"save", "--count", "x", "a.wav"}, "--count"},
        {{"save", "--bitrate", "0", "a.wav"}, "--bitrate"},
        {{"save", "--type", "flac", "--flac-level", "9", "a.wav"}, "--flac-level"},
        {{"analyze", "--yes", "a.wav"}, "--yes"},
        {{"save", "--first-number", "0", "a.wav"}, "--first-number"},
        {{"save", "--first-number", "1000", "a.wav"}, "--first-number"},
        {{"save", "--number-names", "a.wav"}, "--number-names"},
        {{"analyze", "--names", "t.txt", "--first-number", "2", "a.wav"}, "--first-number"},
        {{"analyze", "--tags", "a.wav"}, "--tags"},
        {{"save", "--artist=", "a.wav"}, "--artist"},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli(dir, c.args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(c.args);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.err.starts_with("quillon-cli: ") && r.err.ends_with("; see quillon-cli --help\n")) << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    }
    const CliRun help = Cli(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quillon-cli analyze"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

// Each refusal names what it refused: the file, the folder, the format, the
// rates that would do.
TEST(Cli, RefusalsNameWhatWasWrong) {
    TempDir dir;
    const auto text = [](int number) {
        std::string t = engine::MessageText(number);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\n')) t.pop_back();
        return t;
    };
    const std::string good = dir.Write("good.wav", ThreePieces());
    // 44.1 kHz: a rate MP3 has, with a gap of 4 s between two seconds of sound.
    const std::string cd = dir.Write("cd.wav",
                                     PcmWave({}, Pcm(16, 2).Loud(44100).Silent(44100 * 4).Loud(44100).bytes()));
    // Pieces of 20 s apart by 3.5 s and 1.5 s of digital silence.
    const std::string pieces = dir.Write(
        "p.wav", PcmWave(At1000(), Pcm(16, 2).Loud(20000).Silent(3500).Loud(20000).Silent(1500).Loud(20000).bytes()));
    const std::string missing = dir.path() + "/missing.wav";
    const std::string hiRes = dir.Write("hires.wav", PcmWave(Format{1, 2, 96000, 24}, Bytes(60)));
    const std::string mono = dir.Write("float.wav", PcmWave(Format{3, 1, 48000, 32}, Bytes(16)));
    Bytes sixChannels = FmtBody(Format{0xFFFE, 6, 48000, 24, 0, 40});
    sixChannels[24] = 1;  // the sub-format's tag: PCM
    const std::string surround = dir.Write("surround.wav",
                                           Riff({Chunk("fmt ", sixChannels), Chunk("data", Bytes(36))}));
    const std::string narrow = dir.Write("narrow.wav", PcmWave(Format{1, 2, 44100, 16, 2}, Bytes(8)));
    const std::string noData = dir.Write("nodata.wav", Riff({Chunk("fmt ", FmtBody(Format{}))}));
    const std::string twoTitles = dir.Write("two.txt", {'O', 'n', 'e', '\n', 'T', 'w', 'o', '\n'});
    const std::string mismatch = "2 titles for 3 tracks: tracks 1-2 get titles; track 3 keeps its name.\n";
    const std::string damagedSheet = dir.Write("damaged.cue", {'n', 'o', 't', ' ', 'a', ' ', 's', 'h', 'e', 'e', 't'});
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
        int written;  // lines on stdout: files saved
    };
    const std::vector<Case> cases = {
        {{"analyze", "--amplitude", "0", good},
         2,
         "quillon-cli: --amplitude needs a percentage from 1 to 100; see quillon-cli --help\n",
         0},
        {{"save", "--tracks", "2-4", "--duration", "1", good},
         2,
         "quillon-cli: --tracks asks for track 4, but the recording has 3 tracks; see quillon-cli --help\n",
         0},
        {{"analyze", missing}, 1, text(engine::MsgFileDoesNotExist) + "\n" + missing + "\n", 0},
        {{"save", missing}, 1, text(engine::MsgFileDoesNotExist) + "\n" + missing + "\n", 0},
        {{"save", "--output", dir.path() + "/nowhere/", good},
         1,
         text(engine::MsgOutputFolderMissing) + "\n" + dir.path() + "/nowhere\n",
         0},
        {{"analyze", hiRes},
         1,
         text(engine::MsgFormatNotSupported) + "\n" + hiRes + ": 24-bit PCM, 2 channels, 96000 Hz\n" +
             engine::text::kWideFormatsOptionHint + "\n",
         0},
        {{"analyze", "--wide-formats", hiRes},
         0,
         "No quiet stretch longer than 3 s below 10 %. The whole recording is quieter than 10 %: it is one "
         "silence, which cuts nothing.\n",
         1},
        {{"analyze", mono},
         1,
         text(engine::MsgFormatNotSupported) + "\n" + mono + ": format tag 3 (floating point), 1 channel, 48000 Hz\n" +
             engine::text::kWideFormatsOptionHint + "\n",
         0},
        {{"analyze", surround},
         1,
         text(engine::MsgFormatNotSupported) + "\n" + surround + ": 24-bit PCM (extensible), 6 channels, 48000 Hz\n",
         0},
        {{"save", narrow},
         1,
         text(engine::MsgFormatNotSupported) + "\n" + narrow +
             ": 16-bit PCM, 2 channels, 44100 Hz, block align 2 (too small)\n",
         0},
        {{"analyze", noData},
         1,
         text(engine::MsgFormatNotSupported) + "\n" + noData +
             ": 16-bit PCM, 2 channels, 44100 Hz, no data chunk after the format\n",
         0},
        {{"save", "--type", "mp3", "--codec", "LAME Encoder", "--bitrate", "8", cd},
         1,
         text(engine::MsgCodecCannotProduceAt) + " 8 " + text(engine::MsgKbitBitrateChooseAnother) +
             "\nUsable bit rates: 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 kbit/s.\n",
         0},
        {{"save", "--count", "5", pieces},
         1,
         "No thresholds separate 5 tracks; the closest is 3 tracks at 1 % and 1 s.\n",
         0},
        {{"save", "--count", "2", "--output", dir.path() + "/two", pieces},
         0,
         "2 tracks at amplitude 1 % and duration 3 s.\n",
         2},
        {{"save", "--type", "flac", "--flac-level", "0", "--duration", "1", "--output", dir.path() + "/flac", good},
         0,
         "",
         3},
        {{"save", "--names", dir.path() + "/none.txt", good},
         1,
         engine::FormatText(engine::text::kTextFileUnreadable,
                            {dir.path() + "/none.txt", "No such file or directory"}) +
             "\n",
         0},
        {{"analyze", "--names", damagedSheet, good},
         1,
         engine::FormatText(engine::text::kCueSheetRefused, {damagedSheet}) + "\n",  // and nothing of the parser's own
         0},
        {{"save", "--names", twoTitles, "--duration", "1", good},
         1,
         mismatch + engine::text::kAllowMismatchOptionHint + "\n",
         0},
        {{"save", "--names", twoTitles, "--allow-mismatch", "--duration", "1", "--output", dir.path() + "/two", good},
         0,
         mismatch,
         3},
    };
    std::filesystem::create_directory(dir.path() + "/two");
    std::filesystem::create_directory(dir.path() + "/flac");
    for (const Case& c : cases) {
        const CliRun r = Cli(dir, c.args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args);
        EXPECT_EQ(r.err, c.err) << testing::PrintToString(c.args);
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), c.written) << testing::PrintToString(c.args);
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/two/p.0002.wav"));
    for (const char* name : {"One.wav", "Two.wav", "good.0003.wav"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() + "/two/" + name)) << name;
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/p.0001.wav")) << "saved without the count's thresholds";
    for (const char* name : {"good.0001.flac", "good.0002.flac", "good.0003.flac"})
        EXPECT_GT(std::filesystem::file_size(dir.path() + "/flac/" + name), 42u) << name;  // more than the header
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/flac/good.0001.wav"));
}

// Three pieces at 1000 Hz, 16-bit stereo, cut at silences over 1 s: tracks
// 0-3750, 3750-8250, 8250-10000 ms, 4 bytes a millisecond.
constexpr uint64_t kTrackBytes[] = {3750 * 4, 4500 * 4, 1750 * 4};

class CliSave : public ::testing::Test {
protected:
    void SetUp() override { source_ = dir_.Write("Side.wav", ThreePieces()); }
    std::string Out(int track) const { return dir_.path() + "/Side.000" + std::to_string(track) + ".wav"; }
    TempDir home_, dir_;
    std::string source_;
};

TEST_F(CliSave, WritesTheChosenTracksBesideTheRecording) {
    const CliRun r = Cli(home_, {"save", "--duration", "1", "--tracks", "1,3", source_});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Out(1) + "\n" + Out(3) + "\n");
    EXPECT_EQ(std::filesystem::file_size(Out(1)), 46 + kTrackBytes[0]);
    EXPECT_FALSE(std::filesystem::exists(Out(2)));
    EXPECT_EQ(std::filesystem::file_size(Out(3)), 46 + kTrackBytes[2]);
    // The samples are the recording's own bytes.
    const Bytes track = ReadFile(Out(3)), whole = ReadFile(source_);
    EXPECT_TRUE(std::equal(track.begin() + 46, track.end(), whole.begin() + 44 + 8250 * 4));
}

TEST_F(CliSave, ExistingFilesAreKeptUnlessOverwritingIsAllowed) {
    dir_.Write("Side.0002.wav", {'o', 'l', 'd'});
    CliRun r = Cli(home_, {"save", "--duration", "1", source_});  // no terminal: not asked, skipped
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, Out(1) + "\n" + Out(3) + "\n");
    EXPECT_NE(r.err.find("The file " + Out(2) + " already exists."), std::string::npos);
    EXPECT_TRUE(r.err.ends_with("Saved 2 of 3 tracks; 1 was not saved.\n")) << r.err;
    EXPECT_EQ(ReadFile(Out(2)), (Bytes{'o', 'l', 'd'}));

    r = Cli(home_, {"save", "--duration", "1", "--no-clobber", "--tracks", "2", source_});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(Out(2)), (Bytes{'o', 'l', 'd'}));

    r = Cli(home_, {"save", "--duration", "1", "--yes", "--tracks", "2", source_});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::filesystem::file_size(Out(2)), 46 + kTrackBytes[1]);
}

// With no dialog to offer another name, the skip must say why.
TEST_F(CliSave, ATrackWhoseFileIsTheRecordingItselfIsSkippedWithItsReason) {
    std::filesystem::create_hard_link(source_, Out(2));
    const CliRun r = Cli(home_, {"save", "--duration", "1", "--yes", source_});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, Out(1) + "\n" + Out(3) + "\n");
    EXPECT_NE(r.err.find(engine::FormatText(engine::text::kSourceIsOutput, {Out(2)})), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(Out(2)), ReadFile(source_));
}

TEST_F(CliSave, OutputFolderAndTrackNumbersAreChecked) {
    const std::string out = dir_.path() + "/out";
    CliRun r = Cli(home_, {"save", "--duration", "1", "--output", out, source_});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(engine::MessageText(engine::MsgOutputFolderMissing).substr(0, 40)), std::string::npos);
    std::filesystem::create_directory(out);
    r = Cli(home_, {"save", "--duration", "1", "--output", out, "--tracks", "2-3", source_});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(out + "/Side.0002.wav"));
    EXPECT_TRUE(std::filesystem::exists(out + "/Side.0003.wav"));
    r = Cli(home_, {"save", "--duration", "1", "--tracks", "2-4", source_});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--tracks asks for track 4"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Out(2)));
}

TEST_F(CliSave, AFileSizeLimitFailsOnlyTheTracksPastIt) {
    const CliRun r = Cli(home_, {"save", "--duration", "1", source_}, "", 46 + kTrackBytes[1] - 1);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, Out(1) + "\n" + Out(3) + "\n");
    EXPECT_NE(r.err.find(Out(2) + " (File too large)"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(Out(2)));
    EXPECT_TRUE(PartFiles(dir_.path()).empty());
}

TEST_F(CliSave, Mp3ThroughEitherRoute) {
    for (const char* codec : {"LAME Encoder", "Windows ACM Default"}) {
        const CliRun r = Cli(home_, {"save", "--duration", "1", "--type", "mp3", "--codec", codec, "--bitrate", "128",
                                     "--yes", "--tracks", "1", source_});
        // 1000 Hz is no MP3 rate: both routes refuse it with the codec's message.
        EXPECT_EQ(r.status, 1) << codec;
        EXPECT_EQ(r.out, "") << codec;
    }
    const Format cd;  // 44.1 kHz 16-bit stereo
    const std::string wave = dir_.Write("CD.wav",
                                        PcmWave(cd, Pcm(16, 2).Loud(44100).Silent(44100 * 4).Loud(44100).bytes()));
    for (const char* codec : {"LAME Encoder", "Windows ACM Default"}) {
        const CliRun r = Cli(home_, {"save", "--type", "mp3", "--codec", codec, "--bitrate", "128", "--yes", wave});
        EXPECT_EQ(r.status, 0) << codec << r.err;
        // Each MP3 file as it is completed: the conversions run side by side.
        const std::string one = dir_.path() + "/CD.0001.MP3\n", two = dir_.path() + "/CD.0002.MP3\n";
        EXPECT_TRUE(r.out == one + two || r.out == two + one) << codec << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/CD.0001.wav"));
        EXPECT_GT(std::filesystem::file_size(dir_.path() + "/CD.0001.MP3"), 1000u);
    }
}

// The format tags ffprobe reads from path, one "key=value" a line, the keys in
// lower case (FLAC comments come upper case, ID3 frames lower). The path is
// quoted for the shell, its own quotes too.
std::string ProbedTags(const std::string& path) {
    std::string quoted = "'";
    for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    std::istringstream lines(ToolOutput("ffprobe -v error -show_entries format_tags -of default=nw=1 " + quoted + "'"));
    std::string tags, line;
    while (std::getline(lines, line)) {
        const auto key = line.begin() + std::ptrdiff_t(std::min(line.find('='), line.size()));
        std::transform(line.begin(), key, line.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        tags += line + "\n";
    }
    return tags;
}

// Every default name of this recording holds its '"'; titles give it names a
// file can have, and the tags keep the titles as they are.
TEST_F(CliSave, TitlesNameTheFilesAndTagThemWithTheDetails) {
    const std::string wave = dir_.Write(
        "Say \"hi\".wav", PcmWave(Format{}, Pcm(16, 2).Loud(44100).Silent(44100 * 4).Loud(44100).bytes()));
    const std::string titles = "AC/DC \"Live\"\nTwo\n";
    const std::string list = dir_.Write("titles.txt", Bytes(titles.begin(), titles.end()));
    const std::string first = dir_.path() + "/AC-DC 'Live'";
    for (const char* type : {"flac", "mp3"}) {
        const CliRun r = Cli(home_, {"save", "--type", type, "--names", list, "--tags", "--artist", "The Band",
                                     "--album", "Live 1977", wave});
        EXPECT_EQ(r.status, 0) << type << r.err;
        EXPECT_NE(r.out.find(first + (type == std::string("flac") ? ".flac\n" : ".MP3\n")), std::string::npos) << r.out;
    }
    if (!HasTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
    for (const std::string& file : {first + ".flac", first + ".MP3"}) {
        const std::string tags = ProbedTags(file);
        EXPECT_NE(tags.find("tag:title=AC/DC \"Live\"\n"), std::string::npos) << file << tags;
        EXPECT_NE(tags.find("tag:artist=The Band\n"), std::string::npos) << file << tags;
        EXPECT_NE(tags.find("tag:album=Live 1977\n"), std::string::npos) << file << tags;
    }
}

// Waits for child; a child still running after half a minute is killed and
// false returned.
bool EndsWithin(pid_t child, int& status) {
    for (int i = 0; i < 3000; ++i) {
        if (waitpid(child, &status, WNOHANG) == child) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return false;
}

TEST_F(CliSave, InterruptStopsAfterTheFilesAlreadyWritten) {
    // The save waits at track 2's question on a terminal; Ctrl+C comes then.
    dir_.Write("Side.0002.wav", {'o', 'l', 'd'});
    const char* cli = std::getenv("QUILLON_CLI");
    ASSERT_NE(cli, nullptr);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    const std::string out = home_.path() + "/.stdout";
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        const int tty = open(slave.c_str(), O_RDWR);
        const int o = open(out.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        dup2(tty, 0);
        dup2(tty, 2);
        dup2(o, 1);
        setenv("HOME", home_.path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        execl(cli, cli, "save", "--duration", "1", source_.c_str(), static_cast<char*>(nullptr));
        _exit(98);
    }
    std::string seen;
    char buffer[256];
    while (seen.find("Overwrite ?") == std::string::npos) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        seen.append(buffer, std::size_t(n));
    }
    ASSERT_NE(seen.find("Overwrite ?"), std::string::npos) << seen;
    kill(child, SIGINT);  // the question is left unanswered: the abort ends it
    int status = 0;
    const bool ended = EndsWithin(child, status);
    close(master);
    ASSERT_TRUE(ended) << "still waiting for the answer";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(Slurp(out), Out(1) + "\n");
    EXPECT_EQ(ReadFile(Out(2)), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(std::filesystem::exists(Out(3)));
}

TEST_F(CliSave, AnEndingSignalWhileEncodingRemovesTheTrackOnEitherRoute) {
    // Two minutes without a pause: one track, encoded for long enough that
    // the signal lands while it is.
    const std::string wave = dir_.Write("Long.wav", PcmWave(Format{}, Pcm(16, 2).Loud(44100 * 120).bytes()));
    const std::string track = dir_.path() + "/Long.0001";
    std::string aborted = engine::MessageText(engine::MsgAbortedByUser);
    while (!aborted.empty() && aborted.back() == ' ') aborted.pop_back();
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const char* codec : {"LAME Encoder", "Windows ACM Default"}) {
            const std::string which = std::string(strsignal(signal)) + ", " + codec;
            const pid_t child = StartCli(home_, {"save", "--type", "mp3", "--codec", codec, "--yes", wave});
            ASSERT_GT(child, 0);
            // The MP3 phase: the wave file in place, the MP3 file's temporary beside it.
            int status = 0;
            while (!std::filesystem::exists(track + ".wav") || PartFiles(dir_.path()).empty()) {
                ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << which << ": ended before its MP3 phase";
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            kill(child, signal);
            const CliRun r = FinishCli(home_, child);
            EXPECT_EQ(r.status, 1) << which << r.err;
            EXPECT_NE(r.err.find(aborted + "\n"), std::string::npos) << which << r.err;
            EXPECT_EQ(r.out, "") << which;
            // Only our own lines: the codec library's log ("[libmp3lame @ 0x...]") stays out.
            EXPECT_EQ(r.err.find(" @ 0x"), std::string::npos) << which << r.err;
            EXPECT_FALSE(std::filesystem::exists(track + ".wav")) << which;
            EXPECT_FALSE(std::filesystem::exists(track + ".MP3")) << which;
            EXPECT_TRUE(PartFiles(dir_.path()).empty()) << which;
        }
    }
}

TEST_F(CliSave, AReaderThatWentAwayEndsTheSaveAsAnAbort) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);  // as head -n1 does once it has its line
    const pid_t child = StartCli(home_, {"save", "--duration", "1", source_}, "", RLIM_INFINITY, pipeEnds[1]);
    close(pipeEnds[1]);
    const CliRun r = FinishCli(home_, child);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_FALSE(std::filesystem::exists(Out(2))) << "saved without being listed";
    EXPECT_FALSE(std::filesystem::exists(Out(3))) << "saved without being listed";
    EXPECT_TRUE(PartFiles(dir_.path()).empty());
}

}  // namespace
}  // namespace quillon::test
