#include "export/mp3/WaveToMP3.h"

#include <memory>
#include <mutex>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "libs/CVWAVMP3/CVWAVMP3.h"

namespace quillon::engine {

std::atomic<bool> LameInUse{false};
std::atomic<uint16_t> LastConversionResult{0};

bool IsLameCodecName(const std::string& codecName) { return EqualsIgnoringCase(codecName, kLameCodecName); }

bool BitRateUsable(const std::string& codecName, const std::string& wavePath, uint32_t bitRate, WindowSeam& seam) {
    if (IsLameCodecName(codecName)) return LameBitRateUsable(wavePath, bitRate, seam);
    uint8_t supported = 0;
    Converter().IsBitrateSupported(wavePath.c_str(), bitRate * 1000, &supported);
    return supported != 0;
}

std::string RateRefusedText(uint32_t bitRate) {
    return MessageText(MsgCodecCannotProduceAt) + " " + std::to_string(bitRate) + " " +
           MessageText(MsgKbitBitrateChooseAnother);
}

namespace {

// The library's conversions through the calls without a handle, one at a time.
std::mutex gTurnMutex;

// Converts through the library; result as the library gives it.
uint16_t ConvertThroughLibrary(const std::string& wavePath, const std::string& mp3Path, uint32_t bitRate,
                               ConversionControl* control) {
    const ConverterCalls& calls = Converter();
    if (control == nullptr) return calls.ConvertWaveFileToMp3(wavePath.c_str(), mp3Path.c_str(), bitRate * 1000);
    struct Detach {
        ConversionControl& control;
        ~Detach() { control.Detach(); }
    };
    if (calls.HasHandles()) {
        const std::unique_ptr<CvConversion, void (*)(CvConversion*)> handle(calls.OpenConversionWavToMP3(),
                                                                            calls.CloseConversionWavToMP3);
        if (!handle) return uint16_t(CV_NO_MEMORY);
        CvConversion* h = handle.get();
        control->Attach([&calls, h] { calls.StopConversionWavToMP3Ex(h); },
                        [&calls, h] { return int(calls.GetStatusWavToMP3Ex(h)); });
        const Detach detach{*control};
        return calls.ConvertWaveFileToMp3Ex(h, wavePath.c_str(), mp3Path.c_str(), bitRate * 1000);
    }
    // The library clears its stop when a conversion begins: a stop made just
    // before is lost, so whoever stops keeps asking until the conversion ends.
    const std::lock_guard turn(gTurnMutex);
    if (control->StopRequested()) return uint16_t(CV_STOPPED);
    control->Attach([&calls] { calls.StopConversionWavToMP3(); }, [&calls] { return int(calls.GetStatusWavToMP3()); });
    const Detach detach{*control};
    return calls.ConvertWaveFileToMp3(wavePath.c_str(), mp3Path.c_str(), bitRate * 1000);
}

uint16_t Convert(const std::string& codecName, const std::string& wavePath, const std::string& mp3Path,
                 uint32_t bitRate, WindowSeam& seam, const std::function<void(int)>& lameProgress,
                 ConversionControl* control) {
    LameInUse.store(false);
    uint16_t result = 0;
    if (!IsLameCodecName(codecName)) {
        try {
            result = ConvertThroughLibrary(wavePath, mp3Path, bitRate, control);
        } catch (...) {
            seam.ShowMessageBox(MessageText(MsgConverterCallFault));
            return LastConversionResult = uint16_t(CV_ENCODER_FAILED);
        }
    } else {
        LameInUse.store(true);
        result = control != nullptr ? LameEncodeWave(wavePath, mp3Path, bitRate, lameProgress, control)
                                    : LameEncodeWave(wavePath, mp3Path, bitRate, lameProgress);
    }
    LastConversionResult.store(result);
    if (result == ConversionRateRefused) seam.ShowMessageBox(RateRefusedText(bitRate));
    return result;
}

}  // namespace

uint16_t ConvertToMp3(const std::string& codecName, const std::string& wavePath, const std::string& mp3Path,
                      uint32_t bitRate, WindowSeam& seam, const std::function<void(int)>& lameProgress) {
    return Convert(codecName, wavePath, mp3Path, bitRate, seam, lameProgress, nullptr);
}

uint16_t ConvertToMp3(const std::string& codecName, const std::string& wavePath, const std::string& mp3Path,
                      uint32_t bitRate, WindowSeam& seam, const std::function<void(int)>& lameProgress,
                      ConversionControl& control) {
    return Convert(codecName, wavePath, mp3Path, bitRate, seam, lameProgress, &control);
}

}  // namespace quillon::engine
