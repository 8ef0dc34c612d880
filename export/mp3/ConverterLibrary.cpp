#include "export/mp3/ConverterLibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

#include "libs/CVWAVMP3/CVWAVMP3.h"
#include "platform/SpecialFolders.h"

namespace quillon::engine {
namespace {

std::mutex gMutex;
bool gChosen = false;
ConverterCalls gCalls;

uint16_t NoCodec(const char*) { return CV_NO_MP3_CODEC; }
int32_t NothingSupported(const char*, uint32_t, uint8_t*) { return CV_NO_MP3_CODEC; }
uint16_t CannotConvert(const char*, const char*, uint32_t) { return CV_ENCODER_FAILED; }
uint16_t NoStatus() { return 100; }
void NothingToStop() {}

template <typename T>
bool Find(void* library, const char* name, T& slot) {
    slot = reinterpret_cast<T>(dlsym(library, name));
    return slot != nullptr;
}

ConverterCalls Load() {
    // Beside the program in the build tree, in the installed library folder,
    // else wherever the dynamic linker finds it.
    for (const std::string& candidate :
         {platform::ProgramFolder() + "/libCVWAVMP3.so.1", platform::InstalledLibraryFolder() + "/libCVWAVMP3.so.1",
          std::string("libCVWAVMP3.so.1")}) {
        void* library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) continue;
        ConverterCalls calls;
        if (Find(library, "IsValidMP3CodecFound", calls.IsValidMP3CodecFound) &&
            Find(library, "IsBitrateSupported", calls.IsBitrateSupported) &&
            Find(library, "ConvertWaveFileToMp3", calls.ConvertWaveFileToMp3) &&
            Find(library, "GetStatusWavToMP3", calls.GetStatusWavToMP3) &&
            Find(library, "StopConversionWavToMP3", calls.StopConversionWavToMP3)) {
            // An older library has no handles: its conversions take turns.
            ConverterCalls handles = calls;
            if (Find(library, "OpenConversionWavToMP3", handles.OpenConversionWavToMP3) &&
                Find(library, "ConvertWaveFileToMp3Ex", handles.ConvertWaveFileToMp3Ex) &&
                Find(library, "GetStatusWavToMP3Ex", handles.GetStatusWavToMP3Ex) &&
                Find(library, "StopConversionWavToMP3Ex", handles.StopConversionWavToMP3Ex) &&
                Find(library, "CloseConversionWavToMP3", handles.CloseConversionWavToMP3))
                return handles;
            return calls;
        }
        dlclose(library);
    }
    return {&NoCodec, &NothingSupported, &CannotConvert, &NoStatus, &NothingToStop};
}

}  // namespace

void UseConverter(const ConverterCalls& calls) {
    std::lock_guard lock(gMutex);
    gCalls = calls;
    gChosen = true;
}

const ConverterCalls& Converter() {
    std::lock_guard lock(gMutex);
    if (!gChosen) {
        gCalls = Load();
        gChosen = true;
    }
    return gCalls;
}

}  // namespace quillon::engine
