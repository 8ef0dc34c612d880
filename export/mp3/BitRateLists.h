#pragma once
// The bit rates each MP3 route accepts for the file about to be saved.

#include <cstdint>
#include <string>
#include <vector>

#include "app/WindowSeam.h"

namespace quillon::engine {

// The candidates, in kbit/s, in the order the lists keep.
inline constexpr uint32_t kCandidateBitRates[] = {20, 24,  32,  40,  48,  56,  64,  80,
                                                  96, 112, 128, 160, 192, 224, 256, 320};

struct BitRateLists {
    std::vector<uint32_t> acm;   // the converter library's
    std::vector<uint32_t> lame;  // LAME's
};

// Probes every candidate against source when it names an existing file;
// otherwise against a 44.1 kHz 16-bit stereo probe file "temp.wav" made beside
// the program (in the runtime folder when the program's folder cannot be
// written) and removed afterwards.
[[nodiscard]] BitRateLists BuildBitRateLists(const std::string& source, WindowSeam& seam);

}  // namespace quillon::engine
