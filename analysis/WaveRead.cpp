#include "analysis/WaveRead.h"

#include <algorithm>
#include <array>

#include "app/ErrorCodes.h"
#include "app/Util.h"

namespace quillon::engine {

using namespace platform;

void ReportWaveFileError(int code, WindowSeam& seam) {
    switch (code) {
    case WAVERR_BADFORMAT:
    case WaveErrNotPcm: ShowErrorMessage(seam, MsgFormatNotSupported); break;
    case int(MMIOERR_CHUNKNOTFOUND):
    case int(MMIOERR_INVALIDFILE):
    case WaveErrNotWave: ShowErrorMessage(seam, MsgNotValidWave); break;
    case int(MMIOERR_PATHNOTFOUND): seam.ShowMessageBox(text::kDirectoryIncorrect); break;
    case int(MMIOERR_ACCESSDENIED): seam.ShowMessageBox(text::kFileProtected); break;
    case int(MMIOERR_SHARINGVIOLATION): seam.ShowMessageBox(text::kSharingViolation); break;
    case int(MMIOERR_NETWORKERROR): seam.ShowMessageBox(text::kNetworkNotResponding); break;
    case int(MMIOERR_TOOMANYOPENFILES): seam.ShowMessageBox(text::kTooManyOpenFiles); break;
    case WaveErrNoMemory: ShowErrorMessage(seam, MsgNotEnoughMemory); break;
    case WaveErrCannotRead: seam.ShowMessageBox(text::kUnableToRead); break;
    case WaveErrNoDataChunk: ShowErrorMessage(seam, MsgNoDataChunk); break;
    case WaveErrShortData: seam.ShowMessageBox(text::kUnableToReadWhole); break;
    default: break;
    }
}

namespace {

// The silence test reads the first one (mono) or two samples of every frame, and
// the save job steps through the data by block align: a smaller block align,
// 0 included, would make either read past the frame or never advance.
bool BlockAlignHoldsTestedSamples(const WaveFormat& f) { return f.nBlockAlign >= TestedFrameBytes(f); }

// A descent that failed for a reason with no message of its own (a seek error)
// still gets one: the file cannot be walked, so it is not a valid wave file.
int DescendFailure(MMRESULT r) {
    const bool hasMessage = r == MMIOERR_CHUNKNOTFOUND || (r >= MMIOERR_PATHNOTFOUND && r <= MMIOERR_INVALIDFILE);
    return hasMessage ? int(r) : int(MMIOERR_INVALIDFILE);
}

// Walks the RIFF structure after the open. 0 on success, else the code (or the
// message number, as a negative value) to report.
int ReadStructure(HMMIO h, WaveFormat& format, MMCKINFO& dataChunk) {
    MMCKINFO riff;
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (MMRESULT r = mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF)) return DescendFailure(r);

    MMCKINFO fmt;
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (MMRESULT r = mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK)) return DescendFailure(r);

    std::array<uint8_t, WaveFormat::kBytes> raw{};
    const int64_t n = std::min<int64_t>(fmt.cksize, WaveFormat::kBytes);
    if (mmioRead(h, raw.data(), n) != n) return WaveErrCannotRead;
    format = WaveFormat::FromBytes(raw);

    if (format.wFormatTag != WAVE_FORMAT_PCM) return WaveErrNotPcm;
    if (format.nChannels > 2 || format.wBitsPerSample > 16) return -MsgFormatNotSupported;
    // A rate of 0 would time every silence at 00:00:000 and cut one empty
    // track per silence; no channels or bits hold no samples at all.
    if (format.nSamplesPerSec == 0 || format.nChannels == 0 || format.wBitsPerSample == 0)
        return -MsgFormatNotSupported;
    if (!BlockAlignHoldsTestedSamples(format)) return -MsgFormatNotSupported;

    mmioAscend(h, &fmt, 0);
    dataChunk = MMCKINFO{};
    dataChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(h, &dataChunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return -MsgFormatNotSupported;
    return 0;
}

}  // namespace

FormatWalk WalkToFormat(HMMIO h, MMCKINFO& riff, WaveFormat& format, int64_t minimumBytes) {
    riff = MMCKINFO{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return FormatWalk::NotWave;
    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return FormatWalk::NoFormat;
    std::array<uint8_t, WaveFormat::kBytes> raw{};
    const int64_t n = std::min<int64_t>(fmt.cksize, WaveFormat::kBytes);
    if (n < minimumBytes || mmioRead(h, raw.data(), n) != n) return FormatWalk::NoFormat;
    format = WaveFormat::FromBytes(raw);
    return mmioAscend(h, &fmt, 0) == MMSYSERR_NOERROR ? FormatWalk::Found : FormatWalk::CannotLeaveFormat;
}

bool DescendToData(HMMIO h, const MMCKINFO& riff, MMCKINFO& data) {
    data = MMCKINFO{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    return mmioDescend(h, &data, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
}

bool OpenWaveFile(const std::string& path, UniqueHmmio& handle, WaveFormat& format, MMCKINFO& dataChunk,
                  uint32_t& dataSize, WindowSeam& seam) {
    format = WaveFormat{};
    handle.reset();
    if (!FileExists(path)) {
        ShowErrorMessage(seam, MsgFileDoesNotExist);
        return false;
    }
    UniqueHmmio file(mmioOpen(path, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    if (!file) {
        ReportWaveFileError(WaveErrCannotRead, seam);
        return false;
    }
    if (const int failure = ReadStructure(file.get(), format, dataChunk)) {
        if (failure < 0) ShowErrorMessage(seam, -failure);
        else ReportWaveFileError(failure, seam);
        return false;
    }
    dataSize = dataChunk.cksize;
    handle = std::move(file);
    return true;
}

}  // namespace quillon::engine
