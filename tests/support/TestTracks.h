#pragma once
// Track rows and output folders as the save tests build and read them.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/TrackTimes.h"
#include "app/TrackList.h"

namespace quillon::test {

// A checked row from startS to stopS seconds (whole milliseconds).
inline engine::TRACK_INFO_STRUCT SecondsTrack(std::string name, double startS, double stopS) {
    const auto start = uint32_t(startS * 1000), stop = uint32_t(stopS * 1000);
    return {
        std::move(name), engine::FormatTime(start), engine::FormatTime(stop), engine::FormatTime(stop - start), 1, 0};
}

// The names in folder, sorted.
inline std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quillon::test
