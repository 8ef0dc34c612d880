#include "export/WaveWrite.h"

#include <vector>

namespace quillon::engine {

using namespace platform;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSizeInDs64 = 0xFFFFFFFF;
constexpr uint32_t kDs64Bytes = 28;

// The fmt chunk's body: the classic 18 bytes, or a wide layout's chunk as its
// source holds it (a format made in code, with no chunk kept, gets the 18).
Bytes FormatBody(const WaveFormat& format) {
    if (IsClassicFormat(format) || format.ChunkBytes < 16) {
        const auto bytes = format.ToBytes();
        return Bytes(bytes.begin(), bytes.end());
    }
    return Bytes(format.Chunk.begin(), format.Chunk.begin() + format.ChunkBytes);
}

uint64_t Padded(uint64_t n) { return n + (n & 1); }

// The RIFF size of form type, fmt chunk and data chunk, with their pad bytes.
uint64_t RiffSize(const Bytes& fmt, uint64_t dataBytes) { return 4 + 8 + Padded(fmt.size()) + 8 + Padded(dataBytes); }

// Writes the RIFF header, the fmt chunk and the header of the open data chunk.
bool WriteHeaders(HMMIO h, const Bytes& fmtBody, MMCKINFO& riff, MMCKINFO& data) {
    riff = MMCKINFO{};
    data = MMCKINFO{};
    MMCKINFO fmt{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioCreateChunk(h, &riff, MMIO_CREATERIFF) != MMSYSERR_NOERROR) return false;
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioCreateChunk(h, &fmt, 0) != MMSYSERR_NOERROR) return false;
    const auto size = int64_t(fmtBody.size());
    if (mmioWrite(h, fmtBody.data(), size) != size) return false;
    if (mmioAscend(h, &fmt, 0) != MMSYSERR_NOERROR) return false;
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    return mmioCreateChunk(h, &data, 0) == MMSYSERR_NOERROR;
}

void Put(Bytes& b, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// The RF64 header up to the data, with every size final. The descriptors
// are not marked dirty: there is nothing to fix on close.
bool WriteRf64Headers(HMMIO h, const WaveFormat& format, const Bytes& fmtBody, uint64_t dataBytes, MMCKINFO& riff,
                      MMCKINFO& data) {
    const uint64_t riffSize = RiffSize(fmtBody, dataBytes) + 8 + kDs64Bytes;
    const uint64_t frames = format.nBlockAlign != 0 ? dataBytes / format.nBlockAlign : 0;
    Bytes b;
    Put(b, FOURCC_RF64, 4);
    Put(b, kSizeInDs64, 4);
    Put(b, mmioFOURCC('W', 'A', 'V', 'E'), 4);
    Put(b, FOURCC_DS64, 4);
    Put(b, kDs64Bytes, 4);
    Put(b, riffSize, 8);
    Put(b, dataBytes, 8);
    Put(b, frames, 8);
    Put(b, 0, 4);  // no table: only the RIFF and data sizes pass 32 bits
    Put(b, mmioFOURCC('f', 'm', 't', ' '), 4);
    Put(b, fmtBody.size(), 4);
    b.insert(b.end(), fmtBody.begin(), fmtBody.end());
    if (fmtBody.size() & 1) b.push_back(0);
    Put(b, mmioFOURCC('d', 'a', 't', 'a'), 4);
    Put(b, kSizeInDs64, 4);
    riff = MMCKINFO{FOURCC_RF64, riffSize, mmioFOURCC('W', 'A', 'V', 'E'), 8, 0};
    data = MMCKINFO{mmioFOURCC('d', 'a', 't', 'a'), dataBytes, 0, int64_t(b.size()), 0};
    return mmioWrite(h, b.data(), int64_t(b.size())) == int64_t(b.size());
}

// An RF64 file ends where its header said, then takes the pad byte.
bool EndRf64Data(HMMIO h, const MMCKINFO& data) {
    if (mmioSeek(h, 0, SEEK_CUR) != data.dwDataOffset + int64_t(data.cksize)) return false;
    const uint8_t pad = 0;
    return (data.cksize & 1) == 0 || mmioWrite(h, &pad, 1) == 1;
}

// The probe file's chunks, kept between CreateEmptyWave and CloseEmptyWave.
MMCKINFO gEmptyRiff;
MMCKINFO gEmptyData;

}  // namespace

HMMIO CreateWaveOutput(const std::string& path, const WaveFormat& format, MMCKINFO& riffChunk, MMCKINFO& dataChunk,
                       uint64_t dataBytes) {
    HMMIO h = mmioOpen(path, nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
    if (!h) return nullptr;
    // A header that cannot be written shows up as a failed close; the chunk
    // descriptors are valid either way.
    const Bytes fmtBody = FormatBody(format);
    if (RiffSize(fmtBody, dataBytes) >= kSizeInDs64)
        WriteRf64Headers(h, format, fmtBody, dataBytes, riffChunk, dataChunk);
    else WriteHeaders(h, fmtBody, riffChunk, dataChunk);
    return h;
}

bool CloseWaveOutput(HMMIO handle, MMCKINFO& dataChunk, MMCKINFO& riffChunk) {
    if (!handle) return false;
    bool ok = false;
    if (riffChunk.ckid == FOURCC_RF64) {
        ok = EndRf64Data(handle, dataChunk);
    } else {
        ok = mmioAscend(handle, &dataChunk, 0) == MMSYSERR_NOERROR;
        ok = mmioAscend(handle, &riffChunk, 0) == MMSYSERR_NOERROR && ok;
    }
    return mmioClose(handle) == MMSYSERR_NOERROR && ok;
}

HMMIO CreateEmptyWave(const std::string& path, uint32_t samplesPerSecond, uint32_t bitsPerSample, uint32_t channels) {
    HMMIO h = mmioOpen(path, nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
    if (!h) return nullptr;
    WaveFormat format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = uint16_t(channels);
    format.nSamplesPerSec = samplesPerSecond;
    format.nBlockAlign = uint16_t(channels * (bitsPerSample / 8));
    format.nAvgBytesPerSec = uint32_t(format.nBlockAlign) * samplesPerSecond;
    format.wBitsPerSample = uint16_t(bitsPerSample);
    if (!WriteHeaders(h, FormatBody(format), gEmptyRiff, gEmptyData)) {
        mmioClose(h);
        return nullptr;
    }
    return h;
}

bool CloseEmptyWave(HMMIO handle) {
    if (!handle) return false;
    const bool ok = mmioAscend(handle, &gEmptyData, 0) == MMSYSERR_NOERROR &&
                    mmioAscend(handle, &gEmptyRiff, 0) == MMSYSERR_NOERROR;
    return mmioClose(handle) == MMSYSERR_NOERROR && ok;
}

}  // namespace quillon::engine
