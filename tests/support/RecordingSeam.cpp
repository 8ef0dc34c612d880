#include "support/RecordingSeam.h"

namespace quillon::test {

void RecordingSeam::ShowWaveInfo(uint32_t durationMs, uint32_t samplesPerSec, uint32_t bitsPerSample, uint32_t channels,
                                 engine::SampleKind kind, bool clear) {
    std::lock_guard lock(mutex_);
    waveInfo.push_back({durationMs, samplesPerSec, bitsPerSample, channels, clear, kind});
}

void RecordingSeam::SetStatusText(const std::string& text) {
    std::lock_guard lock(mutex_);
    statusTexts.push_back(text);
}

void RecordingSeam::StopAnalysis() {
    std::lock_guard lock(mutex_);
    ++stopAnalysisCalls;
}

void RecordingSeam::ShowErrorBox(const std::string& text) {
    std::lock_guard lock(mutex_);
    boxes.push_back("error: " + text);
}

void RecordingSeam::ShowMessageBox(const std::string& text) {
    std::lock_guard lock(mutex_);
    boxes.push_back("plain: " + text);
}

bool RecordingSeam::AskYesNo(const std::string& text) {
    std::lock_guard lock(mutex_);
    boxes.push_back("question: " + text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

std::string RecordingSeam::ChooseSaveFileName(const std::string&, const std::string& fileName, const std::string&,
                                              const std::string&) {
    std::lock_guard lock(mutex_);
    boxes.push_back("save dialog: " + fileName);
    if (chosenNames.empty()) return {};
    std::string chosen = chosenNames.front();
    chosenNames.erase(chosenNames.begin());
    return chosen;
}

}  // namespace quillon::test
