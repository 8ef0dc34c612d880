#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include "platform/IniFile.h"
#include "support/TestWave.h"

namespace quillon::test {
namespace {

using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string FileText(const std::string& path) {
    const Bytes b = ReadFile(path);
    return std::string(b.begin(), b.end());
}

TEST(IniFile, ReadsValuesAsTheProfileCallsDo) {
    TempDir dir;
    const std::string path = dir.Write("a.ini", Text("; a comment line\n"
                                                     "[First]\n"
                                                     "Key:=one\n"
                                                     "  Spaced  =  two words  \r\n"
                                                     "Quoted=\"  three \"\n"
                                                     "Empty=\n"
                                                     "[first]\n"
                                                     "Later=ignored, the first section of a name wins\n"
                                                     "[Other]\n"
                                                     "Key:=other\n"));
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"First", "Key:", "one"},        {"FIRST", "key:", "one"},       {"First", "Spaced", "two words"},
        {"First", "Quoted", "  three "}, {"First", "Empty", ""},         {"First", "Later", "default"},
        {"Other", "KEY:", "other"},      {"Missing", "Key:", "default"}, {"First", "Key", "default"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "default", path), c.expected);
    }
    EXPECT_EQ(GetPrivateProfileString("First", "Key:", "default", dir.path() + "/none.ini"), "default");
}

TEST(IniFile, ReadsAtMost2047Characters) {
    TempDir dir;
    const std::string path = dir.Write("a.ini", Text("[S]\nK=" + std::string(3000, 'x') + "\n"));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", path).size(), 2047u);
    EXPECT_EQ(GetPrivateProfileString("S", "none", std::string(3000, 'd'), path).size(), 2047u);
}

TEST(IniFile, WriteCreatesFileSectionAndKey) {
    TempDir dir;
    const std::string path = dir.path() + "/new.ini";
    ASSERT_TRUE(WritePrivateProfileString("FileTypeSection", "FileType:", "1", path));
    ASSERT_TRUE(WritePrivateProfileString("PreViewSection", "PreViewEndTime", "7", path));
    EXPECT_EQ(FileText(path),
              "[FileTypeSection]\n"
              "FileType:=1\n"
              "\n"
              "[PreViewSection]\n"
              "PreViewEndTime=7\n");
}

TEST(IniFile, WriteKeepsOtherLinesAndReplacesTheKeyInPlace) {
    TempDir dir;
    const std::string path = dir.Write("a.ini", Text("; kept\n"
                                                     "[Section]\n"
                                                     "KEY:=old\n"
                                                     "other = kept too\r\n"
                                                     "\n"
                                                     "[Next]\n"
                                                     "x=1\n"));
    ASSERT_TRUE(WritePrivateProfileString("section", "Key:", "new", path));
    ASSERT_TRUE(WritePrivateProfileString("Section", "Added", "2", path));
    EXPECT_EQ(FileText(path),
              "; kept\n"
              "[Section]\n"
              "Key:=new\n"
              "other = kept too\r\n"
              "Added=2\n"
              "\n"
              "[Next]\n"
              "x=1\n");
    EXPECT_EQ(GetPrivateProfileString("Section", "key:", "", path), "new");
}

// A file whose lines end in CRLF is written with CRLF on every line, the one
// that ended in LF alone included, so an editor that keeps one line end still
// sees one.
TEST(IniFile, WriteKeepsTheFilesCrlfLineEnds) {
    TempDir dir;
    const std::string path = dir.Write("a.ini", Text("; kept\r\n"
                                                     "[Section]\r\n"
                                                     "Key=old\r\n"
                                                     "lf=only\n"));
    ASSERT_TRUE(WritePrivateProfileString("Section", "Key", "new", path));
    ASSERT_TRUE(WritePrivateProfileString("Section", "Added", "2", path));
    ASSERT_TRUE(WritePrivateProfileString("Next", "x", "1", path));
    EXPECT_EQ(FileText(path),
              "; kept\r\n"
              "[Section]\r\n"
              "Key=new\r\n"
              "lf=only\r\n"
              "Added=2\r\n"
              "\r\n"
              "[Next]\r\n"
              "x=1\r\n");
}

TEST(IniFile, FailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string file = dir.Write("not-a-folder", Text("x"));
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", file + "/a.ini"));
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", dir.path() + "/missing/a.ini"));
    EXPECT_EQ(FileText(file), "x");
}

// The tests run as root, whose capabilities read any file whatever its mode;
// for its life this object takes them from the calling thread.
class WithoutFileOverride {
public:
    WithoutFileOverride() {
        syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header_, lowered);
    }
    ~WithoutFileOverride() { syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

bool IsLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A write keeps every line it does not change, so a file that is there but
// cannot be read (no read permission, a link that loops) is refused, not
// replaced by one holding only the written key.
TEST(IniFile, AFileThatCannotBeReadIsNotReplaced) {
    TempDir dir;
    const std::string locked = dir.Write("locked.ini", Text("[S]\nkept=1\n"));
    const std::string loop = dir.path() + "/loop.ini";
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(symlink("loop.ini", loop.c_str()), 0);
    {
        WithoutFileOverride asAnyUser;
        EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", locked));
        EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", loop));
    }
    EXPECT_EQ(FileText(locked), "[S]\nkept=1\n");
    EXPECT_TRUE(IsLink(loop));
}

// A write goes through links (a chain, relative or absolute, a dangling one) to
// the file they end at and keeps them; a file keeps its mode, a new one gets
// 0666 less the umask.
TEST(IniFile, WriteGoesThroughLinksAndHonoursModes) {
    TempDir dir;
    const std::string d = dir.path() + "/";
    ASSERT_EQ(mkdir((d + "real").c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.Write("real/old.ini", Text("[S]\nK=old\n")).c_str(), 0640), 0);
    ASSERT_EQ(symlink("real/old.ini", (d + "hop.ini").c_str()), 0);
    ASSERT_EQ(symlink("hop.ini", (d + "chain.ini").c_str()), 0);
    ASSERT_EQ(symlink((d + "real/new.ini").c_str(), (d + "dangling.ini").c_str()), 0);
    const mode_t umaskBefore = umask(077);
    for (const char* name : {"chain.ini", "dangling.ini", "new.ini"})
        EXPECT_TRUE(WritePrivateProfileString("S", "K", "v", d + name)) << name;
    umask(umaskBefore);
    const std::pair<const char*, mode_t> files[] = {{"real/old.ini", 0640}, {"real/new.ini", 0600}, {"new.ini", 0600}};
    for (const auto& [name, mode] : files) {
        struct stat st {};
        stat((d + name).c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, mode) << name;
        EXPECT_EQ(FileText(d + name), "[S]\nK=v\n") << name;
    }
    for (const char* link : {"chain.ini", "hop.ini", "dangling.ini"}) EXPECT_TRUE(IsLink(d + link)) << link;
}

// Runs call on a thread of its own. One still running after a few seconds is
// blocked opening the FIFO at fifo: the test fails, and a writer opened there
// lets the call see the end of the FIFO and return, so the test does not hang.
template <class Call>
auto UnlessBlockedOn(const std::string& fifo, Call call) {
    auto job = std::async(std::launch::async, call);
    if (job.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked on " << fifo;
        while (job.wait_for(std::chrono::milliseconds(50)) == std::future_status::timeout) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) close(fd);
        }
    }
    return job.get();
}

// Linking the settings file to something that is not a file is a known way to
// keep a program from saving them. Only a regular file of at most the limit is
// read; anything else reads as no file, and a write to it, or through a link
// to it, fails and leaves it as it is.
TEST(IniFile, OnlyARegularFileWithinTheLimitIsReadOrReplaced) {
    TempDir dir;
    const std::string d = dir.path() + "/";
    ASSERT_EQ(mkfifo((d + "fifo").c_str(), 0644), 0);
    ASSERT_EQ(mkdir((d + "folder").c_str(), 0755), 0);
    const std::string big = dir.Write("big.ini", Text("[S]\nK=big\n"));
    ASSERT_EQ(truncate(big.c_str(), off_t(platform::kProfileFileLimit) + 1), 0);
    ASSERT_EQ(symlink("fifo", (d + "to-fifo.ini").c_str()), 0);
    ASSERT_EQ(symlink("folder", (d + "to-folder.ini").c_str()), 0);
    const struct {
        const char* name;
        const char* target;
        mode_t type;
    } cases[] = {
        {"fifo", "fifo", S_IFIFO},
        {"big.ini", "big.ini", S_IFREG},
        {"to-folder.ini", "folder", S_IFDIR},
        {"to-fifo.ini", "fifo", S_IFIFO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = d + c.name;
        const auto [read, written] = UnlessBlockedOn(d + "fifo", [&] {
            return std::pair(GetPrivateProfileString("S", "K", "default", path),
                             WritePrivateProfileString("S", "K", "v", path));
        });
        EXPECT_EQ(read, "default");
        EXPECT_FALSE(written);
        EXPECT_EQ(IsLink(path), c.name != std::string(c.target));
        struct stat st {};
        ASSERT_EQ(stat((d + c.target).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & S_IFMT, c.type);
    }
    const std::string bigText = FileText(big);
    EXPECT_EQ(bigText.size(), platform::kProfileFileLimit + 1);
    EXPECT_EQ(bigText.substr(0, 10), "[S]\nK=big\n");
}

// Every value reads back as written. Only a value the reader would change
// (blanks at an end, one pair of enclosing quotes) is quoted; any other is
// written as it is, so the files written so far stay as they are.
TEST(IniFile, ValuesReadBackAsWritten) {
    const struct {
        const char* value;
        const char* line;
    } cases[] = {
        {"/home/u/Music ", "K=\"/home/u/Music \""},
        {"\tlead", "K=\"\tlead\""},
        {"\"quoted\"", "K=\"\"quoted\"\""},
        {"'single'", "K=\"'single'\""},
        {"\"half", "K=\"half"},
        {"/home/me/Music/Side A", "K=/home/me/Music/Side A"},
        {"", "K="},
    };
    TempDir dir;
    const std::string path = dir.path() + "/a.ini";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_TRUE(WritePrivateProfileString("S", "K", c.value, path));
        EXPECT_EQ(FileText(path), "[S]\n" + std::string(c.line) + "\n");
        EXPECT_EQ(GetPrivateProfileString("S", "K", "default", path), c.value);
    }
}

// A line break would end the line: the rest would be lost or read as a line of
// its own. Such a value is refused and the file left as it was.
TEST(IniFile, AValueWithALineBreakIsRefused) {
    TempDir dir;
    const std::string path = dir.Write("a.ini", Text("[S]\nK=old\n"));
    for (const char* value : {"two\nlines", "two\rlines", "end\n"})
        EXPECT_FALSE(WritePrivateProfileString("S", "K", value, path)) << value;
    EXPECT_EQ(FileText(path), "[S]\nK=old\n");
}

}  // namespace
}  // namespace quillon::test
