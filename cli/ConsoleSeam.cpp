#include "cli/ConsoleSeam.h"

#include <unistd.h>

#include <algorithm>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "platform/FileOps.h"

namespace quillon::cli {

void ConsoleSeam::ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                               bool clear) {
    std::lock_guard lock(mutex_);
    facts_ = clear ? WaveFacts{} : WaveFacts{durationMs, samplesPerSec, bitsPerSample, channels};
}

WaveFacts ConsoleSeam::Facts() const {
    std::lock_guard lock(mutex_);
    return facts_;
}

void ConsoleSeam::Print(const std::string& text) {
    std::lock_guard lock(mutex_);
    EraseBarLocked();
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    std::fprintf(err_, "%s\n", line.c_str());
    std::fflush(err_);
}

bool ConsoleSeam::AskYesNo(const std::string& text) {
    if (overwrite_ != Overwrite::Ask) return overwrite_ == Overwrite::Yes;
    if (!isatty(STDIN_FILENO) || !isatty(fileno(err_))) {
        Print(text + " No: not asked without a terminal (use --yes or --no-clobber).");
        return false;
    }
    std::lock_guard lock(mutex_);
    EraseBarLocked();
    std::fprintf(err_, "%s [y/N] ", text.c_str());
    std::fflush(err_);
    char answer[16] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) return false;
    return answer[0] == 'y' || answer[0] == 'Y';
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
