#include "analysis/WaveRead.h"

#include <algorithm>
#include <array>
#include <atomic>

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
    case int(MMIOERR_BADSIZES):
    case WaveErrDamagedFormat: seam.ShowErrorBox(text::kDamagedFormat); break;
    case WaveErrWideOff: seam.ShowErrorBox(MessageText(MsgFormatNotSupported) + "\n" + text::kWideFormatsHint); break;
    default: break;
    }
}

namespace {

std::atomic<bool> gWideFormats{false};

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

// The checks every accepted layout passes: one or two channels (the classic
// reader's "more than 2" refusal), a rate, and a block align that holds the
// tested samples.
bool LayoutIsSound(const WaveFormat& f) {
    return f.nChannels >= 1 && f.nChannels <= 2 && f.nSamplesPerSec != 0 && f.wBitsPerSample != 0 &&
           BlockAlignHoldsTestedSamples(f);
}

// The classic reader's own refusals, in its order.
int ClassicRefusal(const WaveFormat& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return WaveErrNotPcm;
    if (f.nChannels > 2 || f.wBitsPerSample > 16) return -MsgFormatNotSupported;
    // A rate of 0 would time every silence at 00:00:000 and cut one empty
    // track per silence; no channels or bits hold no samples at all.
    if (f.nSamplesPerSec == 0 || f.nChannels == 0 || f.wBitsPerSample == 0) return -MsgFormatNotSupported;
    if (!BlockAlignHoldsTestedSamples(f)) return -MsgFormatNotSupported;
    return 0;
}

// 0 when format opens as it stands, else the code to report. wideOff: the
// layout would open with the setting on (the caller names the setting once
// the data chunk is found too).
int JudgeFormat(FormatVerdict verdict, const WaveFormat& f, bool wide, bool& wideOff) {
    wideOff = false;
    if (verdict == FormatVerdict::Classic) return ClassicRefusal(f);
    if (!wide) {
        wideOff = verdict == FormatVerdict::Wide && LayoutIsSound(f);
        return ClassicRefusal(f);
    }
    if (verdict == FormatVerdict::Malformed) return WaveErrDamagedFormat;
    if (verdict == FormatVerdict::Unsupported || !LayoutIsSound(f)) return -MsgFormatNotSupported;
    return 0;
}

// Walks the RIFF structure after the open. 0 on success, else the code (or the
// message number, as a negative value) to report.
int ReadStructure(HMMIO h, bool wide, WaveFormat& format, MMCKINFO& dataChunk) {
    MMCKINFO riff;
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (MMRESULT r = mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF | (wide ? MMIO_ALLOW64 : 0)))
        return r == MMIOERR_BADSIZES ? WaveErrDamagedFormat : DescendFailure(r);

    MMCKINFO fmt;
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (MMRESULT r = mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK)) return DescendFailure(r);

    // The classic 18 bytes must be there; what an extensible block adds is
    // judged by ParseFormatChunk.
    std::array<uint8_t, WaveFormat::kMaxChunkBytes> raw{};
    const int64_t n = mmioRead(h, raw.data(), int64_t(std::min<uint64_t>(fmt.cksize, raw.size())));
    if (n < std::min<int64_t>(int64_t(fmt.cksize), WaveFormat::kBytes)) return WaveErrCannotRead;
    bool wideOff = false;
    const int refusal = JudgeFormat(ParseFormatChunk(raw.data(), std::size_t(n), format), format, wide, wideOff);
    if (refusal != 0 && !wideOff) return refusal;

    mmioAscend(h, &fmt, 0);
    dataChunk = MMCKINFO{};
    dataChunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(h, &dataChunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return -MsgFormatNotSupported;
    return wideOff ? WaveErrWideOff : 0;
}

}  // namespace

void SetWideFormats(bool on) { gWideFormats.store(on); }

bool WideFormatsOn() { return gWideFormats.load(); }

FormatWalk WalkToFormat(HMMIO h, MMCKINFO& riff, WaveFormat& format, int64_t minimumBytes) {
    riff = MMCKINFO{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF | MMIO_ALLOW64) != MMSYSERR_NOERROR) return FormatWalk::NotWave;
    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return FormatWalk::NoFormat;
    std::array<uint8_t, WaveFormat::kMaxChunkBytes> raw{};
    const int64_t n = int64_t(std::min<uint64_t>(fmt.cksize, raw.size()));
    if (n < minimumBytes || mmioRead(h, raw.data(), n) != n) return FormatWalk::NoFormat;
    (void)ParseFormatChunk(raw.data(), std::size_t(n), format);
    return mmioAscend(h, &fmt, 0) == MMSYSERR_NOERROR ? FormatWalk::Found : FormatWalk::CannotLeaveFormat;
}

bool DescendToData(HMMIO h, const MMCKINFO& riff, MMCKINFO& data) {
    data = MMCKINFO{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    return mmioDescend(h, &data, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
}

int OpenWaveQuietly(const std::string& path, bool wide, UniqueHmmio& handle, WaveFormat& format, MMCKINFO& dataChunk) {
    format = WaveFormat{};
    handle.reset();
    UniqueHmmio file(mmioOpen(path, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    if (!file) return WaveErrCannotRead;
    if (const int failure = ReadStructure(file.get(), wide, format, dataChunk)) return failure;
    handle = std::move(file);
    return 0;
}

bool OpenWaveFile(const std::string& path, UniqueHmmio& handle, WaveFormat& format, MMCKINFO& dataChunk,
                  uint64_t& dataSize, WindowSeam& seam) {
    format = WaveFormat{};
    handle.reset();
    if (!FileExists(path)) {
        ShowErrorMessage(seam, MsgFileDoesNotExist);
        return false;
    }
    if (const int failure = OpenWaveQuietly(path, WideFormatsOn(), handle, format, dataChunk)) {
        if (failure < 0) ShowErrorMessage(seam, -failure);
        else ReportWaveFileError(failure, seam);
        return false;
    }
    dataSize = dataChunk.cksize;
    return true;
}

}  // namespace quillon::engine
