#pragma once
// The converter library's calls as the program reaches them. The window
// links the library when it loads and hands its calls over at start-up; the
// command line loads it only when an MP3 save needs it, so listing tracks does
// not pay for loading libavcodec.

#include <cstdint>

#include "libs/CVWAVMP3/CVWAVMP3.h"

namespace quillon::engine {

struct ConverterCalls {
    uint16_t (*IsValidMP3CodecFound)(const char* wavePath) = nullptr;
    int32_t (*IsBitrateSupported)(const char* wavePath, uint32_t bitsPerSecond, uint8_t* supported) = nullptr;
    uint16_t (*ConvertWaveFileToMp3)(const char* wavePath, const char* mp3Path, uint32_t bitsPerSecond) = nullptr;
    uint16_t (*GetStatusWavToMP3)() = nullptr;
    void (*StopConversionWavToMP3)() = nullptr;
    // The calls on a handle, for several conversions at once; all null for a
    // library without them, whose conversions then take turns.
    CvConversion* (*OpenConversionWavToMP3)() = nullptr;
    uint16_t (*ConvertWaveFileToMp3Ex)(CvConversion*, const char* wavePath, const char* mp3Path,
                                       uint32_t bitsPerSecond) = nullptr;
    uint16_t (*GetStatusWavToMP3Ex)(CvConversion*) = nullptr;
    void (*StopConversionWavToMP3Ex)(CvConversion*) = nullptr;
    void (*CloseConversionWavToMP3)(CvConversion*) = nullptr;

    [[nodiscard]] bool HasHandles() const {
        return OpenConversionWavToMP3 && ConvertWaveFileToMp3Ex && GetStatusWavToMP3Ex && StopConversionWavToMP3Ex &&
               CloseConversionWavToMP3;
    }
};

// Uses calls from now on (the window's load-time link).
void UseConverter(const ConverterCalls& calls);

// The calls in use; on first use without UseConverter, libCVWAVMP3 is loaded
// from beside the program, ../lib or the library path. A library that cannot
// be found behaves as one without any MP3 codec: 436, nothing supported, and
// conversions that fail. Takes a lock (and loads the library under it), so
// it is no call for a signal handler.
[[nodiscard]] const ConverterCalls& Converter();

}  // namespace quillon::engine
