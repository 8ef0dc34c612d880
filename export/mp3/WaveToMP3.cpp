#include "export/mp3/WaveToMP3.h"

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

uint16_t ConvertToMp3(const std::string& codecName, const std::string& wavePath, const std::string& mp3Path,
                      uint32_t bitRate, WindowSeam& seam, const std::function<void(int)>& lameProgress) {
    LameInUse.store(false);
    uint16_t result = 0;
    if (!IsLameCodecName(codecName)) {
        try {
            result = Converter().ConvertWaveFileToMp3(wavePath.c_str(), mp3Path.c_str(), bitRate * 1000);
        } catch (...) {
            seam.ShowMessageBox(MessageText(MsgConverterCallFault));
            return LastConversionResult = uint16_t(CV_ENCODER_FAILED);
        }
    } else {
        LameInUse.store(true);
        result = LameEncodeWave(wavePath, mp3Path, bitRate, lameProgress);
    }
    LastConversionResult.store(result);
    if (result == ConversionRateRefused) seam.ShowMessageBox(RateRefusedText(bitRate));
    return result;
}

}  // namespace quillon::engine
