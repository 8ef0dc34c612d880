#include "cli/WaveDescription.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "analysis/WaveFormat.h"
#include "analysis/WaveRead.h"
#include "platform/Mmio.h"

namespace quillon::cli {
namespace {

using namespace platform;

// The fmt chunk up to the sub-format of an extensible block.
constexpr int kFmtBytes = 26;
constexpr int kSubFormatAt = 24;

uint16_t Le16(const std::array<uint8_t, kFmtBytes>& b, int at) { return uint16_t(b[at] | b[at + 1] << 8); }

const char* TagName(uint16_t tag) {
    switch (tag) {
    case TagAdpcm: return "ADPCM";
    case TagFloat: return "floating point";
    case TagALaw: return "A-law";
    case TagMuLaw: return "mu-law";
    case TagImaAdpcm: return "IMA ADPCM";
    case TagMpeg: return "MPEG";
    case TagMpegLayer3: return "MPEG layer 3";
    case TagExtensible: return "extensible";
    default: return nullptr;
    }
}

// "16-bit PCM" or "format tag 3 (floating point)", with note added to the
// name in brackets.
std::string Encoding(uint16_t tag, uint16_t bits, const std::string& note) {
    if (tag == TagPcm) return std::to_string(bits) + "-bit PCM" + (note.empty() ? "" : " (" + note + ")");
    const char* name = TagName(tag);
    std::string inBrackets = name ? name : "";
    if (!note.empty()) inBrackets += (inBrackets.empty() ? "" : ", ") + note;
    return "format tag " + std::to_string(tag) + (inBrackets.empty() ? "" : " (" + inBrackets + ")");
}

}  // namespace

std::string DescribeWaveFile(const std::string& path) {
    UniqueHmmio file(mmioOpen(path, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    if (!file) return {};
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(file.get(), &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return {};
    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file.get(), &fmt, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return {};
    std::array<uint8_t, kFmtBytes> raw{};
    const int64_t n = std::min<int64_t>(fmt.cksize, kFmtBytes);
    if (n < 16 || mmioRead(file.get(), raw.data(), n) != n) return {};
    std::array<uint8_t, engine::WaveFormat::kBytes> head{};
    std::copy_n(raw.begin(), head.size(), head.begin());
    const engine::WaveFormat f = engine::WaveFormat::FromBytes(head);

    const bool extensible = f.wFormatTag == TagExtensible && n >= kSubFormatAt + 2;
    std::string text = extensible ? Encoding(Le16(raw, kSubFormatAt), f.wBitsPerSample, "extensible")
                                  : Encoding(f.wFormatTag, f.wBitsPerSample, "");
    text += ", " + std::to_string(f.nChannels) + (f.nChannels == 1 ? " channel, " : " channels, ") +
            std::to_string(f.nSamplesPerSec) + " Hz";
    if (f.nBlockAlign < engine::TestedFrameBytes(f))
        text += ", block align " + std::to_string(f.nBlockAlign) + " (too small)";
    MMCKINFO data{};
    if (mmioAscend(file.get(), &fmt, 0) != MMSYSERR_NOERROR || !engine::DescendToData(file.get(), riff, data))
        text += ", no data chunk after the format";
    return text;
}

StoredFormat ReadStoredFormat(const std::string& path) {
    UniqueHmmio file(mmioOpen(path, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    MMCKINFO riff{};
    engine::WaveFormat f;
    if (!file || engine::WalkToFormat(file.get(), riff, f, 16) != engine::FormatWalk::Found) return {};
    const bool extensible = f.wFormatTag == TagExtensible && f.ChunkBytes >= kSubFormatAt + 2;
    const uint16_t sub = extensible ? uint16_t(f.Chunk[kSubFormatAt] | f.Chunk[kSubFormatAt + 1] << 8) : 0;
    return {f.wFormatTag, sub, f.ValidBits};
}

}  // namespace quillon::cli
