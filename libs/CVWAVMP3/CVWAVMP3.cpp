// Reads the wave file with the program's RIFF layer and feeds libavcodec's
// MP3 encoder frame by frame; the packets are the MP3 file, one after the other.
// The wide layouts (24- and 32-bit integer, floating point, extensible) reach
// the encoder's own sample format through libswresample.
#include "libs/CVWAVMP3/CVWAVMP3.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "analysis/WaveFormat.h"
#include "analysis/WaveRead.h"
#include "platform/Mmio.h"

// One conversion's state: its percent and its stop request. Each handle has
// its own, so conversions on different handles run at once; the calls
// without a handle share one of their own.
struct CvConversion {
    std::atomic<uint16_t> status{100};  // 100 when it does not run
    std::atomic<bool> stop{false};
};

namespace {

using namespace quillon::platform;
using quillon::engine::SampleKind;
using quillon::engine::WaveFormat;

CvConversion gDefault;  // of the calls without a handle

struct Wave {
    UniqueHmmio file;
    WaveFormat format;
    uint64_t dataBytes = 0;
};

bool ClassicPcm(const WaveFormat& f) {
    return f.wFormatTag == quillon::engine::WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

bool WidePcm(const WaveFormat& f) {
    return !quillon::engine::IsClassicFormat(f) && f.nBlockAlign == f.nChannels * quillon::engine::SampleBytes(f);
}

// Opens path, positioned at the first sample. 0, or the code of what is wrong.
uint16_t OpenWave(const char* path, Wave& wave) {
    if (path == nullptr) return CV_CANNOT_READ_WAVE;
    wave.file.reset(mmioOpen(path, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    if (!wave.file) return CV_CANNOT_READ_WAVE;
    HMMIO h = wave.file.get();
    MMCKINFO riff;
    if (quillon::engine::WalkToFormat(h, riff, wave.format) != quillon::engine::FormatWalk::Found)
        return CV_NOT_PCM_WAVE;
    const WaveFormat& f = wave.format;
    const bool pcm = (ClassicPcm(f) || WidePcm(f)) && (f.nChannels == 1 || f.nChannels == 2) && f.nSamplesPerSec > 0;
    if (!pcm) return CV_NOT_PCM_WAVE;
    MMCKINFO data;
    if (!quillon::engine::DescendToData(h, riff, data)) return CV_NOT_PCM_WAVE;
    wave.dataBytes = data.cksize / f.nBlockAlign * f.nBlockAlign;
    return CV_OK;
}

// The bit rates an MPEG layer III stream has at a sample rate, in kbit/s.
bool MpegBitRate(uint32_t samplesPerSecond, uint32_t kbps) {
    static constexpr uint32_t kMpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr uint32_t kMpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    switch (samplesPerSecond) {
    case 32000:
    case 44100:
    case 48000: return std::find(std::begin(kMpeg1), std::end(kMpeg1), kbps) != std::end(kMpeg1);
    case 8000:
    case 11025:
    case 12000:
    case 16000:
    case 22050:
    case 24000: return std::find(std::begin(kMpeg2), std::end(kMpeg2), kbps) != std::end(kMpeg2);
    default: return false;
    }
}

const AVCodec* Mp3Encoder() {
    // The library's own log lines would reach the user's terminal beside our
    // messages; every failure that matters comes back as a result code.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
    const AVCodec* lame = avcodec_find_encoder_by_name("libmp3lame");
    return lame ? lame : avcodec_find_encoder(AV_CODEC_ID_MP3);
}

struct ContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using Context = std::unique_ptr<AVCodecContext, ContextFree>;

// The first sample layout the encoder takes that we can fill.
AVSampleFormat PickSampleFormat(const AVCodec* codec) {
    for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_S16P || *f == AV_SAMPLE_FMT_S16 || *f == AV_SAMPLE_FMT_FLTP) return *f;
    }
    return AV_SAMPLE_FMT_NONE;
}

// An encoder opened for the format at kbps; null when it will not take them.
Context OpenEncoder(const WaveFormat& f, uint32_t kbps) {
    const AVCodec* codec = Mp3Encoder();
    if (!codec || !MpegBitRate(f.nSamplesPerSec, kbps)) return nullptr;
    Context ctx(avcodec_alloc_context3(codec));
    if (!ctx) return nullptr;
    ctx->sample_rate = int(f.nSamplesPerSec);
    av_channel_layout_default(&ctx->ch_layout, f.nChannels);
    ctx->sample_fmt = PickSampleFormat(codec);
    ctx->bit_rate = int64_t(kbps) * 1000;
    if (ctx->sample_fmt == AV_SAMPLE_FMT_NONE || avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
    return ctx;
}

// Sample i of channel c of the block, as a 16-bit value.
int16_t SampleAt(const uint8_t* block, const WaveFormat& f, int frame, int channel) {
    const int index = frame * f.nChannels + channel;
    if (f.wBitsPerSample == 8) return int16_t(int(block[index]) * 256 - 32768);
    return int16_t(uint16_t(block[2 * index]) | uint16_t(block[2 * index + 1]) << 8);
}

void FillClassicFrame(AVFrame* frame, const uint8_t* block, const WaveFormat& f, int frames) {
    const auto fmt = AVSampleFormat(frame->format);
    for (int c = 0; c < f.nChannels; ++c) {
        for (int i = 0; i < frame->nb_samples; ++i) {
            const int16_t v = i < frames ? SampleAt(block, f, i, c) : 0;  // a short last frame is padded
            if (fmt == AV_SAMPLE_FMT_S16P) reinterpret_cast<int16_t*>(frame->data[c])[i] = v;
            else if (fmt == AV_SAMPLE_FMT_S16) reinterpret_cast<int16_t*>(frame->data[0])[i * f.nChannels + c] = v;
            else reinterpret_cast<float*>(frame->data[c])[i] = float(v) / 32768.0f;
        }
    }
}

struct ResamplerFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
using Resampler = std::unique_ptr<SwrContext, ResamplerFree>;

// The packed format libswresample reads a wide layout's samples in (24-bit
// containers once widened to 32 bits).
AVSampleFormat WideSampleFormat(SampleKind kind) {
    switch (kind) {
    case SampleKind::Unsigned8: return AV_SAMPLE_FMT_U8;
    case SampleKind::Signed16: return AV_SAMPLE_FMT_S16;
    case SampleKind::Signed24:
    case SampleKind::Signed32: return AV_SAMPLE_FMT_S32;
    case SampleKind::Float32: return AV_SAMPLE_FMT_FLT;
    case SampleKind::Float64: return AV_SAMPLE_FMT_DBL;
    }
    return AV_SAMPLE_FMT_NONE;
}

// Converts from the wide layout to the encoder's format at the same rate;
// triangular dither where the encoder takes 16 bits.
Resampler OpenResampler(AVCodecContext* ctx, SampleKind kind) {
    SwrContext* s = nullptr;
    if (swr_alloc_set_opts2(&s, &ctx->ch_layout, ctx->sample_fmt, ctx->sample_rate, &ctx->ch_layout,
                            WideSampleFormat(kind), ctx->sample_rate, 0, nullptr) < 0)
        return nullptr;
    Resampler resampler(s);
    if (av_opt_set_int(s, "dither_method", SWR_DITHER_TRIANGULAR, 0) < 0 || swr_init(s) < 0) return nullptr;
    return resampler;
}

// Floating-point samples held within full scale, a NaN as silence: the
// encoder is given no value it cannot take.
template <typename T>
void LimitFloats(uint8_t* block, std::size_t samples) {
    for (std::size_t i = 0; i < samples; ++i) {
        T v;
        std::memcpy(&v, block + i * sizeof v, sizeof v);
        v = std::isnan(v) ? T(0) : std::clamp(v, T(-1), T(1));
        std::memcpy(block + i * sizeof v, &v, sizeof v);
    }
}

// The block's samples in WideSampleFormat: in place, or widened into scratch.
const uint8_t* WideSamples(uint8_t* block, std::size_t samples, SampleKind kind, std::vector<int32_t>& scratch) {
    switch (kind) {
    case SampleKind::Signed24:
        scratch.resize(samples);
        for (std::size_t i = 0; i < samples; ++i) {
            const uint8_t* p = block + 3 * i;
            scratch[i] = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24);
        }
        return reinterpret_cast<const uint8_t*>(scratch.data());
    case SampleKind::Float32: LimitFloats<float>(block, samples); return block;
    case SampleKind::Float64: LimitFloats<double>(block, samples); return block;
    default: return block;
    }
}

// Fills the encoder's frame with frames of the block (the rest of a short
// last frame silent): classic samples directly, wide ones through resampler.
bool FillFrame(AVFrame* frame, uint8_t* block, const WaveFormat& f, int frames, SwrContext* resampler,
               std::vector<int32_t>& scratch) {
    if (resampler == nullptr) {
        FillClassicFrame(frame, block, f, frames);
        return true;
    }
    const uint8_t* in[1] = {WideSamples(block, std::size_t(frames) * f.nChannels, quillon::engine::KindOf(f), scratch)};
    if (swr_convert(resampler, frame->extended_data, frames, in, frames) != frames) return false;
    if (frames < frame->nb_samples)
        av_samples_set_silence(frame->extended_data, frames, frame->nb_samples - frames, f.nChannels,
                               AVSampleFormat(frame->format));
    return true;
}

// Sends frame (null flushes) and writes every packet that comes back.
bool Encode(AVCodecContext* ctx, AVFrame* frame, AVPacket* packet, std::FILE* out) {
    if (avcodec_send_frame(ctx, frame) < 0) return false;
    for (;;) {
        const int r = avcodec_receive_packet(ctx, packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        const bool written = std::fwrite(packet->data, 1, size_t(packet->size), out) == size_t(packet->size);
        av_packet_unref(packet);
        if (!written) return false;
    }
}

uint16_t Convert(CvConversion& state, const char* wavePath, const char* mp3Path, uint32_t bitsPerSecond) {
    Wave wave;
    if (const uint16_t code = OpenWave(wavePath, wave)) return code;
    const WaveFormat& f = wave.format;
    if (!MpegBitRate(f.nSamplesPerSec, bitsPerSecond / 1000)) return CV_BITRATE_NOT_PRODUCED;
    Context ctx = OpenEncoder(f, bitsPerSecond / 1000);
    if (!ctx) return CV_BITRATE_NOT_PRODUCED;
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!frame || !packet) return CV_NO_MEMORY;
    frame->format = ctx->sample_fmt;
    frame->sample_rate = ctx->sample_rate;
    frame->nb_samples = ctx->frame_size > 0 ? ctx->frame_size : 1152;
    if (av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        return CV_NO_MEMORY;
    const bool smallLastFrame = (ctx->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    Resampler resampler;
    if (!quillon::engine::IsClassicFormat(f) && !(resampler = OpenResampler(ctx.get(), quillon::engine::KindOf(f))))
        return CV_ENCODER_FAILED;
    std::vector<int32_t> scratch;

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(mp3Path ? std::fopen(mp3Path, "wb") : nullptr, &std::fclose);
    if (!out) return CV_CANNOT_CREATE_MP3;
    std::vector<uint8_t> block(size_t(frame->nb_samples) * f.nBlockAlign);
    uint64_t done = 0;
    int64_t pts = 0;
    while (done < wave.dataBytes) {
        if (state.stop.load()) return CV_STOPPED;
        const auto n = int64_t(std::min<uint64_t>(block.size(), wave.dataBytes - done));
        if (mmioRead(wave.file.get(), block.data(), n) != n) return CV_CANNOT_READ_WAVE;
        if (av_frame_make_writable(frame.get()) < 0) return CV_NO_MEMORY;
        const int frames = int(n / f.nBlockAlign);
        const int full = frame->nb_samples;
        if (smallLastFrame) frame->nb_samples = frames;
        if (!FillFrame(frame.get(), block.data(), f, frames, resampler.get(), scratch)) return CV_ENCODER_FAILED;
        frame->pts = pts;
        pts += frames;
        if (!Encode(ctx.get(), frame.get(), packet.get(), out.get())) return CV_ENCODER_FAILED;
        frame->nb_samples = full;
        done += uint64_t(n);
        state.status.store(uint16_t(done * 100 / wave.dataBytes));
    }
    if (!Encode(ctx.get(), nullptr, packet.get(), out.get())) return CV_ENCODER_FAILED;
    return std::fclose(out.release()) == 0 ? CV_OK : CV_CANNOT_CREATE_MP3;
}

}  // namespace

extern "C" {

uint16_t IsValidMP3CodecFound(const char* wavePath) {
    if (!Mp3Encoder()) return avcodec_find_decoder(AV_CODEC_ID_MP3) ? CV_DECODER_ONLY : CV_NO_MP3_CODEC;
    Wave wave;
    if (OpenWave(wavePath, wave) != CV_OK) return CV_FORMAT_NOT_ENCODABLE;
    const bool mpeg1 = wave.format.nSamplesPerSec >= 32000;
    return OpenEncoder(wave.format, mpeg1 ? 128 : 64) ? CV_OK : CV_FORMAT_NOT_ENCODABLE;
}

int32_t IsBitrateSupported(const char* wavePath, uint32_t bitsPerSecond, uint8_t* supported) {
    Wave wave;
    if (const uint16_t code = OpenWave(wavePath, wave)) return code;
    const bool ok = OpenEncoder(wave.format, bitsPerSecond / 1000) != nullptr;
    if (supported) *supported = ok ? 1 : 0;
    return ok ? CV_OK : CV_BITRATE_NOT_PRODUCED;
}

uint16_t ConvertWaveFileToMp3(const char* wavePath, const char* mp3Path, uint32_t bitsPerSecond) {
    gDefault.stop.store(false);
    gDefault.status.store(0);
    const uint16_t result = Convert(gDefault, wavePath, mp3Path, bitsPerSecond);
    gDefault.status.store(100);
    return result;
}

uint16_t GetStatusWavToMP3(void) { return gDefault.status.load(); }

void StopConversionWavToMP3(void) { gDefault.stop.store(true); }

CvConversion* OpenConversionWavToMP3(void) { return new (std::nothrow) CvConversion; }

uint16_t ConvertWaveFileToMp3Ex(CvConversion* conversion, const char* wavePath, const char* mp3Path,
                                uint32_t bitsPerSecond) {
    if (conversion == nullptr) return CV_NO_MEMORY;
    if (conversion->stop.load()) return CV_STOPPED;
    conversion->status.store(0);
    const uint16_t result = Convert(*conversion, wavePath, mp3Path, bitsPerSecond);
    conversion->status.store(100);
    return result;
}

uint16_t GetStatusWavToMP3Ex(CvConversion* conversion) {
    return conversion != nullptr ? conversion->status.load() : uint16_t(100);
}

void StopConversionWavToMP3Ex(CvConversion* conversion) {
    if (conversion != nullptr) conversion->stop.store(true);
}

void CloseConversionWavToMP3(CvConversion* conversion) { delete conversion; }

}  // extern "C"
