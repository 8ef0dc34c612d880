// A stand-in for the converter library, built beside the command-line tests
// so the program's loader finds it before the real one. Loading it presses
// Ctrl+C: the moment the loader holds the converter's lock. It converts
// nothing and counts the stops it is asked for, which its status reports.
#include <atomic>
#include <csignal>

#include "libs/CVWAVMP3/CVWAVMP3.h"

namespace {

std::atomic<uint16_t> gStops{0};

__attribute__((constructor)) void PressCtrlC() { std::raise(SIGINT); }

}  // namespace

extern "C" {

uint16_t IsValidMP3CodecFound(const char*) { return CV_OK; }
int32_t IsBitrateSupported(const char*, uint32_t, uint8_t* supported) {
    if (supported) *supported = 1;
    return CV_OK;
}
uint16_t ConvertWaveFileToMp3(const char*, const char*, uint32_t) { return CV_STOPPED; }
uint16_t GetStatusWavToMP3(void) { return gStops.load(); }
void StopConversionWavToMP3(void) { gStops.fetch_add(1); }

}  // extern "C"
