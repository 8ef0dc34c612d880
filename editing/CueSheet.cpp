#include "editing/CueSheet.h"

#include <fcntl.h>
#include <libcue.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "app/ErrorCodes.h"
#include "editing/TextFile.h"

namespace quillon::engine {
namespace {

struct CdDelete {
    void operator()(Cd* cd) const { cd_delete(cd); }
};
using CdHandle = std::unique_ptr<Cd, CdDelete>;

// libcue's parser keeps its state in globals: one sheet at a time.
std::mutex& ParserMutex() {
    static std::mutex mutex;
    return mutex;
}

// libcue's parser writes each complaint about a damaged sheet to stderr,
// where the command line's own message and progress bar go; the refusal is
// ours to say, once. Held only while the parser runs, under ParserMutex.
class QuietStderr {
public:
    QuietStderr() : saved_(dup(STDERR_FILENO)) {
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        std::fflush(stderr);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_;
};

Cd* ParseQuietly(const std::string& utf8) {
    const QuietStderr quiet;
    return cue_parse_string(utf8.c_str());
}

// libcue's lexer lets a quoted string hold \" (and \\) but hands the text on
// with the backslashes; the sheet's writer meant the characters.
std::string Text(const char* value) {
    std::string text;
    for (const char* c = value; c != nullptr && *c != '\0'; ++c) {
        if (*c == '\\' && (c[1] == '"' || c[1] == '\\')) ++c;
        text += *c;
    }
    return text;
}

CueTrack ReadTrack(const Track* track) {
    CueTrack read;
    const Cdtext* text = track_get_cdtext(track);
    if (text) {
        read.Title = Text(cdtext_get(PTI_TITLE, text));
        read.Performer = Text(cdtext_get(PTI_PERFORMER, text));
    }
    const long index = track_get_index(track, 1);
    if (index >= 0) read.StartMs = CueFramesToMs(uint64_t(index));
    return read;
}

}  // namespace

CueSheet ParseCueSheet(std::string_view text, const std::string& name) {
    const std::string utf8 = TextAsUtf8(text);
    CueSheet sheet;
    std::lock_guard lock(ParserMutex());
    // A NUL ends the text for libcue; what follows it is not part of any sheet.
    const CdHandle cd(ParseQuietly(utf8));
    // libcue's grammar wants a track, so a sheet without one is refused too.
    if (!cd || cd_get_ntrack(cd.get()) <= 0) {
        sheet.Error = FormatText(text::kCueSheetRefused, {name});
        return sheet;
    }
    if (const Cdtext* album = cd_get_cdtext(cd.get())) {
        sheet.Title = Text(cdtext_get(PTI_TITLE, album));
        sheet.Performer = Text(cdtext_get(PTI_PERFORMER, album));
        sheet.Genre = Text(cdtext_get(PTI_GENRE, album));  // libcue files REM GENRE here
    }
    if (Rem* rem = cd_get_rem(cd.get())) sheet.Date = Text(rem_get(REM_DATE, rem));
    for (int i = 1; i <= cd_get_ntrack(cd.get()); ++i) {
        const Track* track = cd_get_track(cd.get(), i);
        sheet.Tracks.push_back(track ? ReadTrack(track) : CueTrack{});
    }
    return sheet;
}

CueSheet ReadCueSheet(const std::string& path) {
    TextFileRead file = ReadTextFile(path);
    if (!file.Error.empty()) {
        CueSheet sheet;
        sheet.Error = std::move(file.Error);
        return sheet;
    }
    return ParseCueSheet(file.Text, path);
}

std::vector<std::string> CueTitles(const CueSheet& sheet) {
    std::vector<std::string> titles;
    for (const auto& track : sheet.Tracks) titles.push_back(track.Title);
    return titles;
}

}  // namespace quillon::engine
