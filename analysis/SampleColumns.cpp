#include "analysis/SampleColumns.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "analysis/SampleAmplitude.h"
#include "analysis/WaveFormat.h"
#include "analysis/WaveRead.h"
#include "platform/Mmio.h"

namespace quillon::engine {

using namespace platform;

namespace {

constexpr uint64_t kBlockBytes = uint64_t(1) << 20;

// The tested samples of a frame in full-scale units.
class FrameValues {
public:
    explicit FrameValues(const WaveFormat& f)
        : kind_(KindOf(f)), shift_(ValidShift(f)), bytes_(SampleBytes(f)), stereo_(f.nChannels != 1) {
        switch (kind_) {
        case SampleKind::Unsigned8: unit_ = 1.0f / 128; break;
        case SampleKind::Signed16: unit_ = 1.0f / 32768; break;
        case SampleKind::Signed24:
        case SampleKind::Signed32: unit_ = 1.0f / float(uint64_t(1) << (f.ValidBits - 1)); break;
        default: break;
        }
    }
    // The lowest and highest tested sample of the frame at s.
    [[nodiscard]] SampleColumn Of(const uint8_t* s) const {
        const float a = Value(s);
        const float b = stereo_ ? Value(s + bytes_) : a;
        return {std::min(a, b), std::max(a, b)};
    }

private:
    [[nodiscard]] float Value(const uint8_t* s) const {
        float v = 0;
        if (kind_ == SampleKind::Float32) v = std::bit_cast<float>(LoadLe32(s));
        else if (kind_ == SampleKind::Float64) v = float(std::bit_cast<double>(LoadLe64(s)));
        else v = float(IntegerSample(s, kind_) >> shift_) * unit_;
        return std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
    }

    SampleKind kind_;
    int shift_;
    int bytes_;
    bool stereo_;
    float unit_ = 1;
};

// Frames, one after another, folded into min(frames, pixels) columns of
// (nearly) equal width.
class ColumnFolder {
public:
    ColumnFolder(uint64_t frames, uint32_t pixels)
        : frames_(frames), columns_(std::size_t(std::min<uint64_t>(frames, pixels)), SampleColumn{FLT_MAX, -FLT_MAX}) {
        end_ = Boundary(1);
    }
    void Add(const SampleColumn& frame) {
        if (frame_++ == end_) end_ = Boundary(++column_ + 1);
        SampleColumn& c = columns_[column_];
        c.Min = std::min(c.Min, frame.Min);
        c.Max = std::max(c.Max, frame.Max);
    }
    [[nodiscard]] std::vector<SampleColumn> Take() { return std::move(columns_); }

private:
    // c * frames / columns without overflow.
    [[nodiscard]] uint64_t Boundary(uint64_t c) const {
        const uint64_t n = columns_.size();
        return c * (frames_ / n) + c * (frames_ % n) / n;
    }

    uint64_t frames_;
    std::vector<SampleColumn> columns_;
    std::size_t column_ = 0;
    uint64_t frame_ = 0;
    uint64_t end_ = 0;  // the first frame of the next column
};

struct OpenSource {
    UniqueHmmio file;
    WaveFormat format;
    MMCKINFO data{};
    uint64_t heldFrames = 0;  // whole frames of the data chunk the file holds
};

// Opens and walks the file and checks that it is the analysed one, reading no sample.
SampleRead Open(const SampleRequest& request, OpenSource& source) {
    if (OpenWaveQuietly(request.Path, request.WideFormats, source.file, source.format, source.data) != 0)
        return SampleRead::Unreadable;
    const auto identity = IdentifySource(source.file.get(), source.data);
    if (!identity) return SampleRead::Unreadable;
    if (*identity != request.Analysed) return SampleRead::NotTheAnalysedFile;
    // A recording cut short holds less than its data chunk declares.
    const int64_t end = mmioSeek(source.file.get(), 0, SEEK_END);
    if (end < 0) return SampleRead::Unreadable;
    const int64_t bytes = std::clamp<int64_t>(end - source.data.dwDataOffset, 0, int64_t(source.data.cksize));
    source.heldFrames = uint64_t(bytes) / source.format.nBlockAlign;
    return SampleRead::Read;
}

SampleRead ReadStretch(OpenSource& source, uint64_t first, uint64_t frames, const std::atomic<bool>& abort,
                       ColumnFolder& folder) {
    const uint64_t align = source.format.nBlockAlign;
    HMMIO h = source.file.get();
    if (mmioSeek(h, source.data.dwDataOffset + int64_t(first * align), SEEK_SET) < 0) return SampleRead::Unreadable;
    const uint64_t blockFrames = std::max<uint64_t>(1, kBlockBytes / align);
    std::vector<uint8_t> block(std::size_t(std::min(frames, blockFrames) * align));
    const FrameValues values(source.format);
    for (uint64_t done = 0; done < frames;) {
        if (abort.load()) return SampleRead::Aborted;
        const uint64_t count = std::min(blockFrames, frames - done);
        const auto bytes = int64_t(count * align);
        if (mmioRead(h, block.data(), bytes) != bytes) return SampleRead::Unreadable;
        for (uint64_t i = 0; i < count; ++i) folder.Add(values.Of(block.data() + i * align));
        done += count;
    }
    return SampleRead::Read;
}

}  // namespace

SampleResult ReadSampleColumns(const SampleRequest& request, const std::atomic<bool>& abort) {
    SampleResult result;
    result.FirstFrame = request.FirstFrame;
    OpenSource source;
    result.Outcome = Open(request, source);
    if (result.Outcome != SampleRead::Read) return result;
    const uint64_t first = std::min(request.FirstFrame, source.heldFrames);
    const uint64_t frames = request.Pixels == 0 ? 0 : std::min(request.Frames, source.heldFrames - first);
    if (frames == 0) return result;
    ColumnFolder folder(frames, request.Pixels);
    result.Outcome = ReadStretch(source, first, frames, abort, folder);
    if (result.Outcome != SampleRead::Read) return result;
    result.Columns = folder.Take();
    result.FramesRead = frames;
    return result;
}

}  // namespace quillon::engine
