#include "export/mp3/Lame_dll.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

#include "analysis/WaveFormat.h"
#include "analysis/WaveRead.h"
#include "app/Util.h"
#include "export/mp3/SampleTo16.h"
#include "platform/Mmio.h"
#include "platform/SpecialFolders.h"

namespace quillon::engine {

using namespace platform;

std::atomic<bool> LameAbortRequested{false};

namespace {

struct LameEntryPoints {
    decltype(&beInitStream) init = nullptr;
    decltype(&beEncodeChunk) encode = nullptr;
    decltype(&beDeinitStream) deinit = nullptr;
    decltype(&beCloseStream) close = nullptr;
};

std::mutex gLoadMutex;
LameEntryPoints gLame;

// A format read and a stream opened for it: each encode and probe has its
// own, so several run at once. LameOpenStream's is the module's: the format
// last read by any of them.
struct Module {
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint16_t bitsPerSample = 0;
    uint32_t samplesPerChunk = 0;
    uint32_t bufferBytes = 0;
    uint32_t stream = 0;
};
std::mutex gModuleMutex;
Module gModule;  // under gModuleMutex

bool Bind(void* library) {
    LameEntryPoints e;
    e.init = reinterpret_cast<decltype(e.init)>(dlsym(library, "beInitStream"));
    e.encode = reinterpret_cast<decltype(e.encode)>(dlsym(library, "beEncodeChunk"));
    e.deinit = reinterpret_cast<decltype(e.deinit)>(dlsym(library, "beDeinitStream"));
    e.close = reinterpret_cast<decltype(e.close)>(dlsym(library, "beCloseStream"));
    if (!e.init || !e.encode || !e.deinit || !e.close) return false;
    gLame = e;
    return true;
}

// The layouts SampleTo16 takes, in frames that hold their samples: classic
// PCM, and a wide layout of one or two channels.
bool Encodable(const WaveFormat& f) {
    const bool framesHoldSamples = f.nBlockAlign >= f.nChannels * SampleBytes(f);
    if (IsClassicFormat(f)) return f.wFormatTag == WAVE_FORMAT_PCM && f.wBitsPerSample <= 16 && framesHoldSamples;
    return f.nChannels >= 1 && f.nChannels <= 2 && framesHoldSamples;
}

// Walks to the fmt chunk and reads the format; false for a layout the route
// cannot encode.
bool ReadEncodableFormat(HMMIO h, MMCKINFO& riff, WaveFormat& format) {
    return WalkToFormat(h, riff, format) == FormatWalk::Found && Encodable(format);
}

void Remember(Module& module, const WaveFormat& f) {
    module.channels = f.nChannels;
    module.samplesPerSecond = f.nSamplesPerSec;
    module.bitsPerSample = f.wBitsPerSample;
    // Also as the format last read, for LameOpenStream.
    std::lock_guard lock(gModuleMutex);
    gModule.channels = f.nChannels;
    gModule.samplesPerSecond = f.nSamplesPerSec;
    gModule.bitsPerSample = f.wBitsPerSample;
}

// Opens module's stream for its format at bitRate; the library is loaded.
bool OpenStream(Module& module, uint32_t bitRate) {
    const LameEncConfig config = MakeLameConfig(module.samplesPerSecond, module.channels, bitRate);
    return gLame.init(&config, &module.samplesPerChunk, &module.bufferBytes, &module.stream) == 0;
}

bool BelowLameRules(uint32_t samplesPerSecond, uint32_t bitRate) {
    if (bitRate <= 20) return true;
    if (samplesPerSecond >= 44100 && bitRate <= 24) return true;
    return samplesPerSecond >= 8000 && samplesPerSecond <= 22050 && bitRate > 160;
}

struct StreamCloser {
    ~StreamCloser() {
        if (open) gLame.close(stream);
    }
    uint32_t stream = 0;
    bool open = false;
};

// Writes the encoder's bytes; false on a short write.
bool Put(std::FILE* out, const std::vector<uint8_t>& bytes, uint32_t n) {
    return n == 0 || std::fwrite(bytes.data(), 1, n, out) == n;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool LoadLameLibraryFrom(const std::vector<std::string>& candidates) {
    std::lock_guard lock(gLoadMutex);
    if (gLame.init) return true;
    for (const std::string& candidate : candidates) {
        void* library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library && Bind(library)) return true;
        if (library) dlclose(library);
    }
    return false;
}

namespace {

// Beside the program in the build tree, in the installed library folder, else
// wherever the dynamic linker finds it.
std::vector<std::string> DefaultCandidates() {
    return {ProgramFolder() + "/liblame_enc.so", InstalledLibraryFolder() + "/liblame_enc.so", "liblame_enc.so"};
}

std::mutex gCandidatesMutex;
std::vector<std::string> gCandidates = DefaultCandidates();

}  // namespace

void SetLameLibraryCandidates(std::vector<std::string> candidates) {
    std::lock_guard lock(gCandidatesMutex);
    gCandidates = std::move(candidates);
}

bool LoadLameLibrary() {
    std::vector<std::string> candidates;
    {
        std::lock_guard lock(gCandidatesMutex);
        candidates = gCandidates;
    }
    return LoadLameLibraryFrom(candidates);
}

LameEncConfig MakeLameConfig(uint32_t samplesPerSecond, uint16_t channels, uint32_t bitRate) {
    LameEncConfig c{};
    c.kind = LAME_ENC_CONFIG_KIND;
    c.version = 1;
    c.size = sizeof(LameEncConfig);
    c.inputRate = samplesPerSecond;
    c.outputRate = 0;
    c.channelMode = channels == 1 ? LAME_ENC_MODE_MONO : LAME_ENC_MODE_STEREO;
    c.bitRate = bitRate;
    c.maxBitRate = bitRate;
    c.qualityPreset = 2;
    c.mpegVersion = 1;
    c.privateBit = -1;
    c.crc = -1;
    c.vbrQuality = 4;
    return c;
}

bool LameOpenStream(uint32_t bitRate) {
    if (!LoadLameLibrary()) return false;
    std::lock_guard lock(gModuleMutex);
    return OpenStream(gModule, bitRate);
}

bool LameBitRateUsable(const std::string& wavePath, uint32_t bitRate, WindowSeam& seam) {
    if (!LoadLameLibrary()) return false;
    UniqueHmmio file(mmioOpen(wavePath, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    if (!file) {
        seam.ShowMessageBox("Not Opened");
        return false;
    }
    MMCKINFO riff;
    WaveFormat format;
    if (!ReadEncodableFormat(file.get(), riff, format)) return false;
    Module module;
    Remember(module, format);
    if (BelowLameRules(format.nSamplesPerSec, bitRate)) return false;
    if (!OpenStream(module, bitRate)) return false;
    gLame.close(module.stream);
    return true;
}

uint16_t LameEncodeWave(const std::string& wavePath, const std::string& mp3Path, uint32_t bitRate,
                        const std::function<void(int)>& progress) {
    LameAbortRequested.store(false);
    return LameEncodeWave(wavePath, mp3Path, bitRate, progress, nullptr);
}

uint16_t LameEncodeWave(const std::string& wavePath, const std::string& mp3Path, uint32_t bitRate,
                        const std::function<void(int)>& progress, ConversionControl* control) {
    const auto stopRequested = [control] {
        return control != nullptr ? control->StopRequested() : LameAbortRequested.load();
    };
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(mp3Path.c_str(), "wb"));
    if (!out) return LameEncodeFailed;  // reported by the caller, which names the track
    if (!FileExists(wavePath)) return LameNoWaveFile;
    UniqueHmmio wave(mmioOpen(wavePath, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    MMCKINFO riff;
    WaveFormat format;
    if (!wave || !ReadEncodableFormat(wave.get(), riff, format)) return LameNotPcmWave;
    Module module;
    Remember(module, format);
    if (format.nSamplesPerSec >= 8000 && format.nSamplesPerSec <= 22050 && bitRate > 160)
        return LameRateTooHighForSource;
    MMCKINFO data;
    if (!DescendToData(wave.get(), riff, data)) return LameNotPcmWave;
    const int64_t total = data.cksize;
    if (!LoadLameLibrary() || !OpenStream(module, bitRate)) return LameStreamRefused;
    StreamCloser stream;
    stream.stream = module.stream;
    stream.open = true;
    std::vector<uint8_t> encoded(module.bufferBytes);
    const std::size_t chunkBytes = std::size_t(module.samplesPerChunk) * format.nBlockAlign;
    if (chunkBytes == 0) return LameNoInputBuffer;
    std::vector<uint8_t> input(chunkBytes);
    std::vector<int16_t> samples(std::size_t(module.samplesPerChunk) * format.nChannels);
    SampleTo16 convert(format);

    int64_t done = 0;
    int lastShown = 0;
    for (;;) {
        if (done == total) {
            wave.reset();
            uint32_t n = 0;
            if (gLame.deinit(module.stream, encoded.data(), &n) != 0) return LameEncodeFailed;
            if (!Put(out.get(), encoded, n)) return LameEncodeFailed;
            return std::fclose(out.release()) == 0 ? LameFinished : LameEncodeFailed;
        }
        const std::size_t n = std::size_t(std::min<int64_t>(int64_t(chunkBytes), total - done));
        if (mmioRead(wave.get(), input.data(), int64_t(n)) != int64_t(n)) return LameShortRead;
        const std::size_t frames = n / format.nBlockAlign;
        convert.Convert(input.data(), frames, samples.data());
        uint32_t produced = 0;
        if (gLame.encode(module.stream, uint32_t(frames * format.nChannels), samples.data(), encoded.data(),
                         &produced) != 0)
            return LameEncodeFailed;
        if (!Put(out.get(), encoded, produced)) return LameEncodeFailed;
        done += int64_t(n);
        const int percent = int(done * 100 / total);
        if (percent > lastShown) {
            lastShown = percent;
            if (control != nullptr) control->Report(percent);
            if (progress) progress(percent);
        }
        if (stopRequested()) return LameAborted;
    }
}

}  // namespace quillon::engine
