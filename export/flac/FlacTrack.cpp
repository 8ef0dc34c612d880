#include "export/flac/FlacTrack.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "analysis/SampleAmplitude.h"

namespace quillon::engine {
namespace {

constexpr unsigned kMaxLevel = 8;
constexpr std::size_t kBlockFrames = 8192;

struct EncoderDeleter {
    void operator()(FLAC__StreamEncoder* e) const { FLAC__stream_encoder_delete(e); }
};
struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* m) const { FLAC__metadata_object_delete(m); }
};
using Encoder = std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter>;
using Metadata = std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter>;

// The bits FLAC is told: the container's width, 16 for anything up to it.
unsigned FlacBits(const WaveFormat& f) {
    switch (KindOf(f)) {
    case SampleKind::Unsigned8: return 8;
    case SampleKind::Signed24: return 24;
    case SampleKind::Signed32: return 32;
    default: return 16;
    }
}

// frames of the recording's layout (block align may be padded: the first
// channels' samples of each frame are taken) into interleaved 32-bit samples.
void Unpack(const uint8_t* frames, std::size_t count, const WaveFormat& f, std::vector<FLAC__int32>& out) {
    const SampleKind kind = KindOf(f);
    const int width = SampleBytes(f);
    const unsigned channels = f.nChannels;
    out.resize(count * channels);
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* frame = frames + i * f.nBlockAlign;
        for (unsigned c = 0; c < channels; ++c) out[i * channels + c] = IntegerSample(frame + c * width, kind);
    }
}

Metadata MakeComments(const VorbisComments& comments) {
    Metadata m(FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
    if (!m) return nullptr;
    for (const auto& [name, value] : comments) {
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name.c_str(), value.c_str()) ||
            !FLAC__metadata_object_vorbiscomment_append_comment(m.get(), entry, /*copy=*/false))
            return nullptr;
    }
    return m;
}

bool Configure(FLAC__StreamEncoder* e, const WaveFormat& f, unsigned level, uint64_t frames) {
    return FLAC__stream_encoder_set_verify(e, true) && FLAC__stream_encoder_set_channels(e, f.nChannels) &&
           FLAC__stream_encoder_set_bits_per_sample(e, FlacBits(f)) &&
           FLAC__stream_encoder_set_sample_rate(e, f.nSamplesPerSec) &&
           FLAC__stream_encoder_set_compression_level(e, std::min(level, kMaxLevel)) &&
           FLAC__stream_encoder_set_total_samples_estimate(e, frames);
}

// Reads exactly count bytes at offset; false at an early end or an error.
bool ReadAt(int fd, uint8_t* into, std::size_t count, int64_t offset) {
    while (count > 0) {
        const ssize_t n = pread(fd, into, count, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        into += n;
        count -= std::size_t(n);
        offset += n;
    }
    return true;
}

FlacResult Feed(FLAC__StreamEncoder* e, const FlacSource& s, ConversionControl& control) {
    const uint64_t align = s.format.nBlockAlign;
    const uint64_t frames = uint64_t(s.length) / align;
    std::vector<uint8_t> bytes(kBlockFrames * align);
    std::vector<FLAC__int32> samples;
    for (uint64_t done = 0; done < frames;) {
        if (control.StopRequested()) return FlacResult::Stopped;
        const std::size_t n = std::size_t(std::min<uint64_t>(kBlockFrames, frames - done));
        if (!ReadAt(s.fd, bytes.data(), n * align, s.offset + int64_t(done * align))) return FlacResult::ReadFailed;
        Unpack(bytes.data(), n, s.format, samples);
        if (!FLAC__stream_encoder_process_interleaved(e, samples.data(), uint32_t(n))) {
            const auto state = FLAC__stream_encoder_get_state(e);
            return state == FLAC__STREAM_ENCODER_IO_ERROR || state == FLAC__STREAM_ENCODER_CLIENT_ERROR
                       ? FlacResult::WriteFailed
                       : FlacResult::EncoderFailed;
        }
        done += n;
        control.Report(int(done * 100 / frames));
    }
    return FlacResult::Done;
}

}  // namespace

FlacResult EncodeFlacTrack(const FlacSource& source, const std::string& path, unsigned level,
                           const VorbisComments& comments, ConversionControl& control) {
    if (!FlacHolds(source.format)) return FlacResult::FloatSource;
    if (control.StopRequested()) return FlacResult::Stopped;
    Encoder encoder(FLAC__stream_encoder_new());
    Metadata tags = MakeComments(comments);
    if (!encoder || !tags) return FlacResult::EncoderFailed;
    const uint64_t frames = uint64_t(source.length) / source.format.nBlockAlign;
    FLAC__StreamMetadata* blocks[] = {tags.get()};
    if (!Configure(encoder.get(), source.format, level, frames) ||
        !FLAC__stream_encoder_set_metadata(encoder.get(), blocks, 1))
        return FlacResult::EncoderFailed;
    const auto init = FLAC__stream_encoder_init_file(encoder.get(), path.c_str(), nullptr, nullptr);
    if (init != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        return FLAC__stream_encoder_get_state(encoder.get()) == FLAC__STREAM_ENCODER_IO_ERROR
                   ? FlacResult::CannotCreate
                   : FlacResult::EncoderFailed;
    const FlacResult fed = Feed(encoder.get(), source, control);
    // finish also closes the file; its answer counts only for a stream fed whole.
    const bool finished = FLAC__stream_encoder_finish(encoder.get());
    if (fed != FlacResult::Done) return fed;
    if (!finished) {
        const auto state = FLAC__stream_encoder_get_state(encoder.get());
        return state == FLAC__STREAM_ENCODER_IO_ERROR ? FlacResult::WriteFailed : FlacResult::EncoderFailed;
    }
    control.Report(100);
    return FlacResult::Done;
}

}  // namespace quillon::engine
