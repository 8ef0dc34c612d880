/* The LAME shim: the four entry points the program's MP3 route calls, over
 * libmp3lame. The program loads it at run time when it is there. */
#pragma once

#include <stdint.h>

#if defined(__GNUC__)
#define LAME_ENC_API __attribute__((visibility("default")))
#else
#define LAME_ENC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The encoder configuration: 331 bytes, packed, little-endian. */
#pragma pack(push, 1)
typedef struct LameEncConfig {
    uint32_t kind;           /* 0: 256, this form of the record */
    uint32_t version;        /* 4: 1 */
    uint32_t size;           /* 8: 331 */
    uint32_t inputRate;      /* 12: samples per second of the input */
    uint32_t outputRate;     /* 16: 0, the input's rate */
    int32_t channelMode;     /* 20: 0 stereo, 3 mono */
    uint32_t bitRate;        /* 24: kbit/s */
    uint32_t maxBitRate;     /* 28: kbit/s, as bitRate for constant bit rate */
    int32_t qualityPreset;   /* 32: 2, high quality */
    uint32_t mpegVersion;    /* 36: 1, MPEG-1 */
    uint32_t psychoModel;    /* 40: 0 */
    uint32_t emphasis;       /* 44: 0 */
    int32_t privateBit;      /* 48: -1 on */
    int32_t crc;             /* 52: -1 on */
    int32_t copyright;       /* 56: 0 */
    int32_t original;        /* 60: 0, marked as a copy */
    int32_t writeVbrHeader;  /* 64: 0 */
    int32_t variableBitRate; /* 68: 0, constant bit rate */
    int32_t vbrQuality;      /* 72: 4 */
    uint8_t reserved[255];   /* 76: zeros */
} LameEncConfig;
#pragma pack(pop)

enum {
    LAME_ENC_OK = 0,
    LAME_ENC_BAD_CONFIG = 1, /* a configuration the encoder would not honour as given */
    LAME_ENC_NO_STREAM = 2,  /* an unknown or closed stream */
    LAME_ENC_ENCODE_FAILED = 3,
    LAME_ENC_NO_MEMORY = 4
};

enum { LAME_ENC_CONFIG_KIND = 256, LAME_ENC_MODE_STEREO = 0, LAME_ENC_MODE_MONO = 3 };

/* Opens a stream for config. samplesPerChunk: sample frames to pass to each
 * beEncodeChunk (one MP3 frame's worth); bufferBytes: the output buffer each
 * call needs. Refuses, rather than changes, a rate or bit rate libmp3lame
 * cannot produce as asked. Streams on different handles may be opened, used
 * and closed from different threads at once; a closed stream's handle is
 * given to a stream opened later. */
LAME_ENC_API uint32_t beInitStream(const LameEncConfig* config, uint32_t* samplesPerChunk, uint32_t* bufferBytes,
                                   uint32_t* stream);
/* Encodes values 16-bit samples (channels interleaved), at most one chunk. */
LAME_ENC_API uint32_t beEncodeChunk(uint32_t stream, uint32_t values, const int16_t* samples, uint8_t* out,
                                    uint32_t* outBytes);
/* Flushes what the encoder still holds into out. */
LAME_ENC_API uint32_t beDeinitStream(uint32_t stream, uint8_t* out, uint32_t* outBytes);
LAME_ENC_API uint32_t beCloseStream(uint32_t stream);

#ifdef __cplusplus
}
#endif
