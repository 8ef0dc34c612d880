#pragma once
// The MP3 codec dispatch: one wave file to MP3 through LAME or the
// system-codec converter, chosen by the codec's name.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/WindowSeam.h"
#include "export/SaveRecord.h"

namespace quillon::engine {

inline constexpr const char* kLameCodecName = "LAME Encoder";
inline constexpr const char* kAcmCodecName = "Windows ACM Default";

// The conversion last started goes through LAME.
extern std::atomic<bool> LameInUse;
extern std::atomic<uint16_t> LastConversionResult;

// True for "Lame Encoder" in any letter case: that name picks LAME.
[[nodiscard]] bool IsLameCodecName(const std::string& codecName);

// Whether the codec of that name can encode wavePath at bitRate kbit/s.
[[nodiscard]] bool BitRateUsable(const std::string& codecName, const std::string& wavePath, uint32_t bitRate,
                                 WindowSeam& seam);

// Messages 88 and 89 around the refused rate.
[[nodiscard]] std::string RateRefusedText(uint32_t bitRate);

// Converts wavePath into mp3Path at bitRate kbit/s and returns the result
// (also left in LastConversionResult). 406 shows messages 88 and 89 with the
// rate; a fault inside the converter library shows message 63. The wave file
// is left where it is: the caller decides what to keep.
uint16_t ConvertToMp3(const std::string& codecName, const std::string& wavePath, const std::string& mp3Path,
                      uint32_t bitRate, WindowSeam& seam, const std::function<void(int)>& lameProgress);
// The same for one of several conversions at once, on either route: control
// stops it (a stop made before it begins holds) and tells its percent. A
// converter library without handles converts one at a time: the others wait
// for their turn.
uint16_t ConvertToMp3(const std::string& codecName, const std::string& wavePath, const std::string& mp3Path,
                      uint32_t bitRate, WindowSeam& seam, const std::function<void(int)>& lameProgress,
                      ConversionControl& control);

}  // namespace quillon::engine
