#pragma once
// The window seam of the benchmark programs: nothing shown but errors and
// messages (on stderr), every question answered yes, no file name chosen.

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/WindowSeam.h"

namespace quillon::bench {

class SilentSeam final : public engine::WindowSeam {
public:
    void ShowWaveInfo(uint32_t, uint32_t, uint32_t, uint32_t, bool) override {}
    void SetStatusText(const std::string&) override {}
    void StopAnalysis() override {}
    void ShowErrorBox(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void ShowMessageBox(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool AskYesNo(const std::string&) override { return true; }
    std::string ChooseSaveFileName(const std::string&, const std::string&, const std::string&,
                                   const std::string&) override {
        return {};
    }
};

}  // namespace quillon::bench
