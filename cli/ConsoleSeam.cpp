#include "cli/ConsoleSeam.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "cli/TextEscape.h"
#include "cli/WaveDescription.h"
#include "platform/FileOps.h"

namespace quillon::cli {

void ConsoleSeam::ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                               engine::SampleKind kind, bool clear) {
    const StoredFormat stored = clear || source_.empty() ? StoredFormat{} : ReadStoredFormat(source_);
    std::lock_guard lock(mutex_);
    facts_ = clear ? WaveFacts{} : WaveFacts{durationMs, samplesPerSec, bitsPerSample, channels, kind, stored};
}

WaveFacts ConsoleSeam::Facts() const {
    std::lock_guard lock(mutex_);
    return facts_;
}

std::string TrimmedLine(const std::string& text) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    return line;
}

void ConsoleSeam::Print(const std::string& text) {
    std::lock_guard lock(mutex_);
    EraseBarLocked();
    std::fprintf(err_, "%s\n", TrimmedLine(text).c_str());
    std::fflush(err_);
}

void ConsoleSeam::ShowErrorBox(const std::string& text) {
    // The seam is handed texts, not numbers: the message is known by its text,
    // with or without the line that names the wide-formats setting.
    const std::string& refused = engine::MessageText(engine::MsgFormatNotSupported);
    const std::string windowHint = "\n" + std::string(engine::text::kWideFormatsHint);
    const bool hinted = text == refused + windowHint;
    if ((text != refused && !hinted) || source_.empty()) return Print(text);
    const std::string what = DescribeWaveFile(source_);
    std::string shown = what.empty() ? refused : TrimmedLine(refused) + "\n" + OneLine(source_) + ": " + what;
    if (hinted) shown = TrimmedLine(shown) + "\n" + engine::text::kWideFormatsOptionHint;
    Print(shown);
}

void ConsoleSeam::ShowErrorWithDetail(int number, const std::string& detail) {
    Print(TrimmedLine(engine::MessageText(number)) + "\n" + OneLine(detail));
}

bool ConsoleSeam::AskYesNo(const std::string& text) {
    if (Aborted()) return false;
    if (overwrite_ != Overwrite::Ask) return overwrite_ == Overwrite::Yes;
    if (!isatty(STDIN_FILENO) || !isatty(fileno(err_))) {
        Print(text + " No: not asked without a terminal (use --yes or --no-clobber).");
        return false;
    }
    std::lock_guard lock(mutex_);
    EraseBarLocked();
    std::fprintf(err_, "%s [y/N] ", text.c_str());
    std::fflush(err_);
    std::string answer;
    if (!ReadAnswer(answer)) {
        std::fputc('\n', err_);  // what comes next starts a line of its own
        std::fflush(err_);
        return false;
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// Byte by byte, straight from the descriptor: whatever was typed ahead stays
// there for the next question, and no stdio buffer hides it from poll.
bool ConsoleSeam::ReadAnswer(std::string& answer) const {
    constexpr int kStepMs = 50;
    constexpr std::size_t kKeptBytes = 16;  // y, n, or a word: the first letter decides
    for (;;) {
        if (Aborted()) return false;
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, kStepMs);
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        char c = 0;
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        if (c == '\n') return true;
        if (answer.size() < kKeptBytes) answer.push_back(c);
    }
}

std::string ConsoleSeam::ChooseSaveFileName(const std::string&, const std::string& fileName, const std::string&,
                                            const std::string&) {
    if (!source_.empty() && platform::SameFile(fileName, source_))
        Print(engine::FormatText(engine::text::kSourceIsOutput, {fileName}));
    return {};
}

void ConsoleSeam::DrawProgress(int percent) {
    if (!isatty(fileno(err_))) return;
    constexpr int kWidth = 40;
    const int filled = std::max(0, std::min(kWidth, percent * kWidth / 100));
    // An encoder thread never waits for a question on the terminal: the bar
    // skips a step instead.
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    std::fprintf(err_, "\r[%s%s] %3d%%", std::string(std::size_t(filled), '#').c_str(),
                 std::string(std::size_t(kWidth - filled), '.').c_str(), percent);
    std::fflush(err_);
    barShown_ = true;
}

void ConsoleSeam::EndProgress() {
    std::lock_guard lock(mutex_);
    EraseBarLocked();
}

void ConsoleSeam::EraseBarLocked() {
    if (!barShown_) return;
    std::fprintf(err_, "\r%*s\r", 48, "");
    std::fflush(err_);
    barShown_ = false;
}

}  // namespace quillon::cli
