/* The preview player: plays a stretch of a PCM wave file in the background.
 * Positions are milliseconds from the start of the file. The reserved
 * arguments are always 0. */
#pragma once

#include <stdint.h>

#if defined(__GNUC__)
#define ZORODAVODERE_API __attribute__((visibility("default")))
#else
#define ZORODAVODERE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of AudioPlayWave and AudioStop; 0 is success. */
enum {
    ZRV_OK = 0,
    ZRV_NO_FILE_NAME = 100,
    ZRV_ALREADY_PLAYING = 101,
    ZRV_FILE_MISSING = 102,
    ZRV_NO_MEMORY = 103,
    ZRV_NO_DEVICE = 104,
    ZRV_CANNOT_OPEN_DEVICE = 105,
    ZRV_NOT_WAVE = 107,
    ZRV_NO_FMT_CHUNK = 108,
    ZRV_NOT_PCM = 109,
    ZRV_NO_DATA_CHUNK = 110,
    ZRV_CANNOT_SEEK = 113,
    ZRV_CANNOT_ASCEND = 114,
    ZRV_NO_MEMORY_FOR_BUFFERS = 115,
    ZRV_NO_MEMORY_FOR_FORMAT = 116,
    ZRV_NO_DATA = 117
};

/* Checks the file, starts playing from startMs and returns at once; the sound
 * ends by itself at stopMs (or at the end of the data). */
ZORODAVODERE_API uint16_t AudioPlayWave(const char* fileName, uint32_t startMs, uint32_t reserved1, uint32_t reserved2,
                                        uint32_t reserved3, uint32_t stopMs);
/* The position reached, in ms from the start of the file; 0 when nothing plays. */
ZORODAVODERE_API uint32_t AudioGetPosition(uint32_t reserved);
/* Stops at once; 0 also when nothing plays. */
ZORODAVODERE_API uint16_t AudioStop(void);

#ifdef __cplusplus
}
#endif
