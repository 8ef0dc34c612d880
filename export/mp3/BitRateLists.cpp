#include "export/mp3/BitRateLists.h"

#include "app/Util.h"
#include "export/WaveWrite.h"
#include "export/mp3/ConverterLibrary.h"
#include "export/mp3/Lame_dll.h"
#include "platform/FileOps.h"
#include "platform/SingleInstance.h"
#include "platform/SpecialFolders.h"

namespace quillon::engine {
namespace {

// Makes the probe file in the first folder that takes it; "" when none does.
std::string MakeProbe() {
    for (const std::string& folder : {platform::ProgramFolder(), platform::RuntimeFolder()}) {
        if (folder.empty()) continue;
        const std::string path = AddTrailingBackslash(folder) + "temp.wav";
        if (CloseEmptyWave(CreateEmptyWave(path, 44100, 16, 2))) return path;
        platform::RemoveFile(path);
    }
    return {};
}

}  // namespace

BitRateLists BuildBitRateLists(const std::string& source, WindowSeam& seam) {
    BitRateLists lists;
    const bool useSource = !source.empty() && FileExists(source);
    const std::string file = useSource ? source : MakeProbe();
    if (file.empty()) return lists;
    const bool lame = LoadLameLibrary();  // looked for once, not once per rate
    for (const uint32_t rate : kCandidateBitRates) {
        if (lame && LameBitRateUsable(file, rate, seam)) lists.lame.push_back(rate);
        uint8_t usable = 0;
        Converter().IsBitrateSupported(file.c_str(), rate * 1000, &usable);
        if (usable) lists.acm.push_back(rate);
    }
    if (!useSource) platform::RemoveFile(file);
    return lists;
}

}  // namespace quillon::engine
