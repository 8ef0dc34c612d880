#pragma once
// The LAME route to MP3: the shim library "lame_enc", loaded at run time, and
// the encoder loop over it. Encodes and probes may run on several threads at
// once, each on a stream of its own.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/WindowSeam.h"
#include "export/ConversionControl.h"
#include "libs/lame_enc/LameEnc.h"

namespace quillon::engine {

// Result codes of LameEncodeWave.
enum LameResult : uint16_t {
    LameFinished = 0,
    LameRateTooHighForSource = 406,
    LameNoWaveFile = 500,
    LameNotPcmWave = 501,
    LameStreamRefused = 502,
    LameNotLoaded = 503,
    LameNoInputBuffer = 504,
    LameShortRead = 505,
    LameEncodeFailed = 506,
    LameAborted = 507,
};

// Stops the encodes started without a control; cleared when one starts.
extern std::atomic<bool> LameAbortRequested;

// Loads the shim once for the life of the process: beside the program, then
// in ../lib, then on the normal library path. True when its four entry points
// were found.
[[nodiscard]] bool LoadLameLibrary();
// The same over a list of candidate files.
[[nodiscard]] bool LoadLameLibraryFrom(const std::vector<std::string>& candidates);
// Replaces the places LoadLameLibrary looks in (the tests name a folder
// without the shim to see the program without LAME).
void SetLameLibraryCandidates(std::vector<std::string> candidates);

// The configuration record for the last format read and bitRate kbit/s.
[[nodiscard]] LameEncConfig MakeLameConfig(uint32_t samplesPerSecond, uint16_t channels, uint32_t bitRate);

// Opens (and keeps) an encoder stream for the format last read (the calls
// below each open a stream of their own).
[[nodiscard]] bool LameOpenStream(uint32_t bitRate);

// Whether LAME can encode wavePath at bitRate kbit/s: the program's own rules
// (20 and below never; 24 and below at 44.1 kHz and more; above 160 at
// 8-22.05 kHz), then the encoder's answer. The format comes from the file's
// fmt chunk, wherever it is; a layout LameEncodeWave cannot encode has none.
[[nodiscard]] bool LameBitRateUsable(const std::string& wavePath, uint32_t bitRate, WindowSeam& seam);

// Encodes wavePath into mp3Path at bitRate kbit/s, chunk by chunk: classic
// PCM, and the wide layouts of one or two channels, whose samples reach the
// shim as 16-bit samples (SampleTo16: dithered, never wrapped).
// progress gets each whole percentage once, as it grows. Stopped by
// LameAbortRequested, which it clears first.
[[nodiscard]] uint16_t LameEncodeWave(const std::string& wavePath, const std::string& mp3Path, uint32_t bitRate,
                                      const std::function<void(int)>& progress);
// The same for one of several encodes at once: stopped by control (checked
// after each chunk; a stop made before the start holds), which also gets
// each percentage.
[[nodiscard]] uint16_t LameEncodeWave(const std::string& wavePath, const std::string& mp3Path, uint32_t bitRate,
                                      const std::function<void(int)>& progress, ConversionControl* control);

}  // namespace quillon::engine
