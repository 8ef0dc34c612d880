// The shim keeps each open libmp3lame context in a table under a small
// number, the stream handle the callers hold. Several streams may be opened,
// encoded and closed from several threads at once, so a stream never moves
// once made (the table holds pointers), the table's lock is held only to find
// or hand out a slot, and each stream has a lock of its own for the work on
// its context. A closed stream's slot, and so its handle, is given to the
// next stream opened.
#include "libs/lame_enc/LameEnc.h"

#include <lame/lame.h>

#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {

static_assert(sizeof(LameEncConfig) == 331, "the configuration record is 331 bytes");

struct Stream {
    std::mutex use;                     // held while the context is worked on
    lame_global_flags* lame = nullptr;  // under use; null once closed
    int channels = 0;
    uint32_t frames = 0;       // per chunk
    uint32_t bufferBytes = 0;  // output room each call needs
    bool taken = false;        // under gTableMutex: the handle is given out
};

std::mutex gTableMutex;
std::vector<std::unique_ptr<Stream>> gStreams;  // handle = index + 1; slots are reused, never freed

// The open stream under handle, with its lock held; an empty lock when the
// handle is unknown or closed. The table's lock is let go before the
// stream's is taken, so a long encode never holds up the other streams.
std::unique_lock<std::mutex> Use(uint32_t handle, Stream*& stream) {
    {
        std::lock_guard table(gTableMutex);
        if (handle == 0 || handle > gStreams.size() || !gStreams[handle - 1]->taken) return {};
        stream = gStreams[handle - 1].get();
    }
    std::unique_lock use(stream->use);
    if (stream->lame == nullptr) return {};  // closed meanwhile
    return use;
}

// Gives lame a free slot and returns its handle; 0 when there is no memory
// for another slot. The caller holds gTableMutex.
uint32_t TakeSlot(lame_global_flags* lame, uint32_t frames, uint32_t bufferBytes) {
    std::size_t at = 0;
    while (at < gStreams.size() && gStreams[at]->taken) ++at;
    if (at == gStreams.size()) {
        try {
            gStreams.push_back(std::make_unique<Stream>());
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    Stream& s = *gStreams[at];
    std::lock_guard use(s.use);
    s.lame = lame;
    s.channels = lame_get_num_channels(lame);
    s.frames = frames;
    s.bufferBytes = bufferBytes;
    s.taken = true;
    return uint32_t(at + 1);
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
    const auto frames = uint32_t(lame_get_framesize(lame));
    // libmp3lame's own bound for one call: 1.25 x samples + 7200 bytes.
    const uint32_t bytes = frames * 5 / 4 + 7200;
    std::lock_guard table(gTableMutex);
    const uint32_t handle = TakeSlot(lame, frames, bytes);
    if (handle == 0) {
        lame_close(lame);
        return LAME_ENC_NO_MEMORY;
    }
    *samplesPerChunk = frames;
    *bufferBytes = bytes;
    *stream = handle;
    return LAME_ENC_OK;
}

uint32_t beEncodeChunk(uint32_t handle, uint32_t values, const int16_t* samples, uint8_t* out, uint32_t* outBytes) {
    Stream* s = nullptr;
    const std::unique_lock use = Use(handle, s);
    if (!use || !out || !outBytes || (values > 0 && !samples)) return LAME_ENC_NO_STREAM;
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
    const std::unique_lock use = Use(handle, s);
    if (!use || !out || !outBytes) return LAME_ENC_NO_STREAM;
    const int n = lame_encode_flush(s->lame, out, int(s->bufferBytes));
    if (n < 0) return LAME_ENC_ENCODE_FAILED;
    *outBytes = uint32_t(n);
    return LAME_ENC_OK;
}

uint32_t beCloseStream(uint32_t handle) {
    Stream* s = nullptr;
    std::unique_lock use = Use(handle, s);
    if (!use) return LAME_ENC_NO_STREAM;
    lame_close(s->lame);
    s->lame = nullptr;
    use.unlock();
    // The slot is handed out again only once the context is gone, so a call
    // that found this handle a moment ago sees it closed, not another stream.
    std::lock_guard table(gTableMutex);
    s->taken = false;
    return LAME_ENC_OK;
}

}  // extern "C"
