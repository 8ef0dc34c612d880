#include "export/WaveWrite.h"

namespace quillon::engine {

using namespace platform;

namespace {

// Writes the RIFF header, the fmt chunk and the header of the open data chunk.
bool WriteHeaders(HMMIO h, const WaveFormat& format, MMCKINFO& riff, MMCKINFO& data) {
    riff = MMCKINFO{};
    data = MMCKINFO{};
    MMCKINFO fmt{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioCreateChunk(h, &riff, MMIO_CREATERIFF) != MMSYSERR_NOERROR) return false;
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioCreateChunk(h, &fmt, 0) != MMSYSERR_NOERROR) return false;
    const auto bytes = format.ToBytes();
    if (mmioWrite(h, bytes.data(), WaveFormat::kBytes) != WaveFormat::kBytes) return false;
    if (mmioAscend(h, &fmt, 0) != MMSYSERR_NOERROR) return false;
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    return mmioCreateChunk(h, &data, 0) == MMSYSERR_NOERROR;
}

// The probe file's chunks, kept between CreateEmptyWave and CloseEmptyWave.
MMCKINFO gEmptyRiff;
MMCKINFO gEmptyData;

}  // namespace

HMMIO CreateWaveOutput(const std::string& path, const WaveFormat& format, MMCKINFO& riffChunk, MMCKINFO& dataChunk) {
    HMMIO h = mmioOpen(path, nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
    if (!h) return nullptr;
    // A header that cannot be written shows up as a failed close; the chunk
    // descriptors are valid either way.
    WriteHeaders(h, format, riffChunk, dataChunk);
    return h;
}

bool CloseWaveOutput(HMMIO handle, MMCKINFO& dataChunk, MMCKINFO& riffChunk) {
    if (!handle) return false;
    bool ok = mmioAscend(handle, &dataChunk, 0) == MMSYSERR_NOERROR;
    ok = mmioAscend(handle, &riffChunk, 0) == MMSYSERR_NOERROR && ok;
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
    if (!WriteHeaders(h, format, gEmptyRiff, gEmptyData)) {
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
