// The shim keeps each open libmp3lame context in a table under a small
// number, the stream handle the callers hold.
#include "libs/lame_enc/LameEnc.h"

#include <lame/lame.h>

#include <mutex>
#include <vector>

namespace {

static_assert(sizeof(LameEncConfig) == 331, "the configuration record is 331 bytes");

struct Stream {
    lame_global_flags* lame = nullptr;
    int channels = 0;
    uint32_t frames = 0;       // per chunk
    uint32_t bufferBytes = 0;  // output room each call needs
};

std::mutex gMutex;
std::vector<Stream> gStreams;  // handle = index + 1

Stream* Find(uint32_t handle) {
    if (handle == 0 || handle > gStreams.size() || gStreams[handle - 1].lame == nullptr) return nullptr;
    return &gStreams[handle - 1];
}

bool Configure(lame_global_flags* lame, const LameEncConfig& c) {
    const bool mono = c.channelMode == LAME_ENC_MODE_MONO;
    lame_set_num_channels(lame, mono ? 1 : 2);
    lame_set_in_samplerate(lame, int(c.inputRate));
    // libmp3lame would resample on its own; asking for the input's rate keeps
    // the choice with the caller.
    lame_set_out_samplerate(lame, int(c.outputRate != 0 ? c.outputRate : c.inputRate));
    lame_set_mode(lame, mono ? MONO : STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, int(c.bitRate));
    lame_set_quality(lame, c.qualityPreset >= 0 && c.qualityPreset <= 9 ? c.qualityPreset : 2);
    lame_set_emphasis(lame, int(c.emphasis));
    lame_set_extension(lame, c.privateBit != 0);
    lame_set_error_protection(lame, c.crc != 0);
    lame_set_copyright(lame, c.copyright != 0);
    lame_set_original(lame, c.original != 0);
    lame_set_bWriteVbrTag(lame, c.writeVbrHeader != 0);
    if (lame_init_params(lame) < 0) return false;
    // libmp3lame replaces what it cannot do without saying so; refuse instead.
    // The MPEG version follows from the rate (MPEG-2 below 32 kHz), as with the
    // encoder this stands in for; it is not a reason to refuse.
    const int wantRate = int(c.outputRate != 0 ? c.outputRate : c.inputRate);
    return lame_get_out_samplerate(lame) == wantRate && lame_get_brate(lame) == int(c.bitRate);
}

}  // namespace

extern "C" {

uint32_t beInitStream(const LameEncConfig* config, uint32_t* samplesPerChunk, uint32_t* bufferBytes, uint32_t* stream) {
    if (!config || !samplesPerChunk || !bufferBytes || !stream) return LAME_ENC_BAD_CONFIG;
    if (config->kind != LAME_ENC_CONFIG_KIND || config->inputRate == 0 || config->bitRate == 0)
        return LAME_ENC_BAD_CONFIG;
    lame_global_flags* lame = lame_init();
    if (!lame) return LAME_ENC_NO_MEMORY;
    if (!Configure(lame, *config)) {
        lame_close(lame);
        return LAME_ENC_BAD_CONFIG;
    }
    Stream s;
    s.lame = lame;
    s.channels = lame_get_num_channels(lame);
    s.frames = uint32_t(lame_get_framesize(lame));
    // libmp3lame's own bound for one call: 1.25 x samples + 7200 bytes.
    s.bufferBytes = s.frames * 5 / 4 + 7200;
    std::lock_guard lock(gMutex);
    gStreams.push_back(s);
    *samplesPerChunk = s.frames;
    *bufferBytes = s.bufferBytes;
    *stream = uint32_t(gStreams.size());
    return LAME_ENC_OK;
}

uint32_t beEncodeChunk(uint32_t handle, uint32_t values, const int16_t* samples, uint8_t* out, uint32_t* outBytes) {
    Stream* s = nullptr;
    {
        std::lock_guard lock(gMutex);
        s = Find(handle);
    }
    if (!s || !out || !outBytes || (values > 0 && !samples)) return LAME_ENC_NO_STREAM;
    const uint32_t frames = values / uint32_t(s->channels);
    if (frames > s->frames) return LAME_ENC_ENCODE_FAILED;  // more than the output buffer is sized for
    const int n = s->channels == 1
                      ? lame_encode_buffer(s->lame, samples, samples, int(frames), out, int(s->bufferBytes))
                      : lame_encode_buffer_interleaved(s->lame, const_cast<short*>(samples), int(frames), out,
                                                       int(s->bufferBytes));
    if (n < 0) return LAME_ENC_ENCODE_FAILED;
    *outBytes = uint32_t(n);
    return LAME_ENC_OK;
}

uint32_t beDeinitStream(uint32_t handle, uint8_t* out, uint32_t* outBytes) {
    Stream* s = nullptr;
    {
        std::lock_guard lock(gMutex);
        s = Find(handle);
    }
    if (!s || !out || !outBytes) return LAME_ENC_NO_STREAM;
    const int n = lame_encode_flush(s->lame, out, int(s->bufferBytes));
    if (n < 0) return LAME_ENC_ENCODE_FAILED;
    *outBytes = uint32_t(n);
    return LAME_ENC_OK;
}

uint32_t beCloseStream(uint32_t handle) {
    std::lock_guard lock(gMutex);
    Stream* s = Find(handle);
    if (!s) return LAME_ENC_NO_STREAM;
    lame_close(s->lame);
    s->lame = nullptr;
    return LAME_ENC_OK;
}

}  // extern "C"
