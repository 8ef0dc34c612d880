/* The system-codec route to MP3: converts a PCM wave file (8 or 16 bits, or
 * a wide layout: 24- or 32-bit integer, floating point, extensible, also in
 * an RF64 file; one or two channels) with the MP3 encoder that libavcodec
 * offers. The calls without a handle run one
 * conversion at a time; their status and stop may be called from another
 * thread while it runs. The calls on a handle (OpenConversionWavToMP3 ...)
 * run several conversions at once, one per handle, from as many threads. */
#pragma once

#include <stdint.h>

#if defined(__GNUC__)
#define CVWAVMP3_API __attribute__((visibility("default")))
#else
#define CVWAVMP3_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
    CV_OK = 0,
    CV_CANNOT_READ_WAVE = 400,
    CV_NOT_PCM_WAVE = 401,
    CV_CANNOT_CREATE_MP3 = 402,
    CV_ENCODER_FAILED = 403,
    CV_NO_MEMORY = 404,
    CV_BITRATE_NOT_PRODUCED = 406,
    CV_STOPPED = 430,
    CV_NO_MP3_CODEC = 436,
    CV_FORMAT_NOT_ENCODABLE = 437,
    CV_DECODER_ONLY = 438
};

/* 0 when an MP3 encoder can take the file's format; 436 when no MP3 codec is
 * registered, 438 when only an MP3 decoder is, another code otherwise. */
CVWAVMP3_API uint16_t IsValidMP3CodecFound(const char* wavePath);
/* Sets *supported to 1 when the file can be encoded at bitsPerSecond (the
 * caller sets it to 0 first). The result is 0, or the reason it cannot. */
CVWAVMP3_API int32_t IsBitrateSupported(const char* wavePath, uint32_t bitsPerSecond, uint8_t* supported);
/* Converts; returns when done, stopped or failed. 406 when the encoder
 * cannot produce bitsPerSecond for the file's rate; 430 when stopped. */
CVWAVMP3_API uint16_t ConvertWaveFileToMp3(const char* wavePath, const char* mp3Path, uint32_t bitsPerSecond);
/* Percent of the running conversion; 100 when none runs. */
CVWAVMP3_API uint16_t GetStatusWavToMP3(void);
/* Asks the running conversion to stop; it returns 430 soon after. */
CVWAVMP3_API void StopConversionWavToMP3(void);

/* One conversion of several at once: its own status and stop. */
typedef struct CvConversion CvConversion;
/* A new handle; null when out of memory. */
CVWAVMP3_API CvConversion* OpenConversionWavToMP3(void);
/* Converts on the handle, as ConvertWaveFileToMp3; 430 at once when the
 * handle was asked to stop before (a stop holds until the handle is closed). */
CVWAVMP3_API uint16_t ConvertWaveFileToMp3Ex(CvConversion* conversion, const char* wavePath, const char* mp3Path,
                                             uint32_t bitsPerSecond);
/* Percent of the handle's conversion; 100 when it does not run. */
CVWAVMP3_API uint16_t GetStatusWavToMP3Ex(CvConversion* conversion);
/* Asks the handle's conversion to stop, whether it runs yet or not; any thread. */
CVWAVMP3_API void StopConversionWavToMP3Ex(CvConversion* conversion);
/* Frees the handle once its conversion has returned. */
CVWAVMP3_API void CloseConversionWavToMP3(CvConversion* conversion);

#ifdef __cplusplus
}
#endif
