#pragma once
// The audio tools the tests ask for a second opinion (sox, ffmpeg, ffprobe),
// and the wide-formats setting for one test. A test whose tool is missing
// skips.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "analysis/WaveRead.h"

namespace quillon::test {

inline bool HasTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// What command printed on its standard output, its last line end dropped;
// "failed" when it ended with an error.
inline std::string ToolOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), &pclose);
    if (!pipe) return "failed";
    std::string out;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), int(buffer.size()), pipe.get())) out += buffer.data();
    if (pclose(pipe.release()) != 0) return "failed";
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace quillon::test
