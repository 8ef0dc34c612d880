// One playback at a time: the file is checked and positioned here, then a
// feeder thread keeps SDL's audio queue a second ahead of the
// device until the stretch is used up. The player takes every file the
// analysis takes, with or without the wide-formats setting (which is the
// reader's gate, not the player's), and plays the frames it measured: each
// frame of the file gives the device its samples in a format SDL plays (see
// DeviceFrames.h), and the rest of the frame (padding) is left out.
#define SDL_MAIN_HANDLED
#include "libs/ZORodaVodere/ZORodaVodere.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "analysis/TrackTimes.h"
#include "analysis/WaveFormat.h"
#include "analysis/WaveRead.h"
#include "app/Util.h"
#include "libs/ZORodaVodere/DeviceFrames.h"
#include "platform/Mmio.h"

namespace {

using namespace quillon::platform;
using quillon::engine::WaveFormat;
using quillon::player::DeviceFrame;

constexpr int64_t kChunkBytes = 64 * 1024;

struct Stretch {
    UniqueHmmio file;
    WaveFormat format;
    DeviceFrame frame;
    int64_t bytes = 0;  // of the file from its current position, whole frames
};

// Opens and walks the file; ZRV_OK with the file positioned at startMs.
uint16_t OpenStretch(const char* fileName, uint32_t startMs, uint32_t stopMs, Stretch& out) {
    if (fileName == nullptr || fileName[0] == '\0') return ZRV_NO_FILE_NAME;
    if (!quillon::engine::FileExists(fileName)) return ZRV_FILE_MISSING;
    out.file.reset(mmioOpen(fileName, nullptr, MMIO_READ | MMIO_ALLOCBUF));
    if (!out.file) return ZRV_FILE_MISSING;
    HMMIO h = out.file.get();

    MMCKINFO riff;
    // A fmt chunk of any length, as the analysis reads it: one that ends
    // before the sample width has 0 there, which reads as 16 bits.
    switch (quillon::engine::WalkToFormat(h, riff, out.format, 0)) {
    case quillon::engine::FormatWalk::NotWave: return ZRV_NOT_WAVE;
    case quillon::engine::FormatWalk::NoFormat: return ZRV_NO_FMT_CHUNK;
    case quillon::engine::FormatWalk::CannotLeaveFormat: return ZRV_CANNOT_ASCEND;
    case quillon::engine::FormatWalk::Found: break;
    }
    const WaveFormat& f = out.format;
    if (!quillon::player::PlayableAs(f, out.frame)) return ZRV_NOT_PCM;

    MMCKINFO data;
    if (!quillon::engine::DescendToData(h, riff, data)) return ZRV_NO_DATA_CHUNK;
    const auto frameAt = [&f](uint32_t ms) {
        return int64_t(
            quillon::engine::ConvertPosition(ms, quillon::engine::UnitMilliseconds, quillon::engine::UnitFrames, f));
    };
    const int64_t dataBytes = int64_t(data.cksize) / f.nBlockAlign * f.nBlockAlign;
    const int64_t begin = std::min(frameAt(startMs) * f.nBlockAlign, dataBytes);
    const int64_t end = std::min(frameAt(stopMs) * f.nBlockAlign, dataBytes);
    if (end <= begin) return ZRV_NO_DATA;
    if (mmioSeek(h, data.dwDataOffset + begin, SEEK_SET) < 0) return ZRV_CANNOT_SEEK;
    out.bytes = end - begin;
    return ZRV_OK;
}

class Playback {
public:
    Playback(Stretch stretch, uint32_t startMs, SDL_AudioDeviceID device)
        : stretch_(std::move(stretch)),
          startMs_(startMs),
          device_(device),
          fileFrameBytes_(stretch_.format.nBlockAlign),
          deviceFrameBytes_(stretch_.frame.Bytes()),
          bytesPerMs_(double(stretch_.format.nSamplesPerSec) * deviceFrameBytes_ / 1000.0),
          remaining_(stretch_.bytes),
          buffer_(std::size_t(kChunkBytes / fileFrameBytes_ * fileFrameBytes_)),
          converted_(buffer_.size() / std::size_t(fileFrameBytes_) * std::size_t(deviceFrameBytes_)) {
        Feed();  // the first second is queued before the device starts
        SDL_PauseAudioDevice(device_, 0);
        feeder_ = std::thread([this] { Run(); });
    }

    ~Playback() {
        stop_.store(true);
        if (feeder_.joinable()) feeder_.join();
        SDL_ClearQueuedAudio(device_);
        SDL_CloseAudioDevice(device_);
    }

    [[nodiscard]] bool Done() const { return done_.load(); }

    // What has left SDL's queue: all the feeder has queued less what still
    // waits there. Both are read under the lock the feeder holds while it
    // queues and counts, so the count never lags SDL's queue; between two
    // reads the queue can then only shrink, and the position only grows.
    [[nodiscard]] uint32_t Position() const {
        std::lock_guard lock(queueMutex_);
        const uint64_t played = queued_ - SDL_GetQueuedAudioSize(device_);
        return startMs_ + uint32_t(double(played) / bytesPerMs_);
    }

private:
    // Queues file data until a second is waiting, so a busy machine does not
    // starve the device. False at the end of the stretch.
    bool Feed() {
        const uint32_t ahead = uint32_t(bytesPerMs_ * 1000);
        while (remaining_ > 0 && SDL_GetQueuedAudioSize(device_) < ahead) {
            const int64_t want = std::min(remaining_, int64_t(buffer_.size()));
            const int64_t got = mmioRead(stretch_.file.get(), buffer_.data(), want);
            const int64_t frames = std::max<int64_t>(got, 0) / fileFrameBytes_;
            // A file shorter than its data chunk says ends with its last whole frame.
            remaining_ = got == want ? remaining_ - got : 0;
            if (frames == 0) break;
            const auto bytes = uint32_t(quillon::player::ToDeviceFrames(
                stretch_.frame, buffer_.data(), std::size_t(fileFrameBytes_), std::size_t(frames), converted_.data()));
            {
                std::lock_guard lock(queueMutex_);
                SDL_QueueAudio(device_, converted_.data(), bytes);
                queued_ += bytes;
            }
        }
        return remaining_ > 0;
    }

    void Run() {
        while (!stop_.load()) {
            if (!Feed() && SDL_GetQueuedAudioSize(device_) == 0) {
                done_.store(true);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    Stretch stretch_;
    const uint32_t startMs_;
    const SDL_AudioDeviceID device_;
    const int64_t fileFrameBytes_;    // the block align
    const int64_t deviceFrameBytes_;  // the samples of a frame, without padding
    const double bytesPerMs_;         // of the device's frames
    int64_t remaining_;
    std::vector<uint8_t> buffer_;     // frames as the file holds them
    std::vector<uint8_t> converted_;  // the same frames as the device plays them
    mutable std::mutex queueMutex_;   // SDL_QueueAudio and queued_ together
    uint64_t queued_ = 0;             // bytes given to SDL_QueueAudio
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::thread feeder_;
};

std::mutex g_mutex;
std::unique_ptr<Playback> g_playback;

// Ends the playback and lets the audio system go; the caller holds g_mutex.
void EndPlayback() {
    if (!g_playback) return;
    g_playback.reset();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

uint16_t OpenDevice(const WaveFormat& f, const DeviceFrame& frame, SDL_AudioDeviceID& device) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return ZRV_NO_DEVICE;
    SDL_AudioSpec want{};
    want.freq = int(f.nSamplesPerSec);
    want.format = frame.format;
    want.channels = frame.channels;
    want.samples = 1024;
    SDL_AudioSpec have{};
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device != 0) return ZRV_OK;
    const uint16_t code = SDL_GetNumAudioDevices(0) > 0 ? ZRV_CANNOT_OPEN_DEVICE : ZRV_NO_DEVICE;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return code;
}

}  // namespace

extern "C" {

uint16_t AudioPlayWave(const char* fileName, uint32_t startMs, uint32_t, uint32_t, uint32_t, uint32_t stopMs) {
    std::lock_guard lock(g_mutex);
    if (g_playback && g_playback->Done()) EndPlayback();
    if (fileName == nullptr || fileName[0] == '\0') return ZRV_NO_FILE_NAME;
    if (g_playback) return ZRV_ALREADY_PLAYING;
    try {
        Stretch stretch;
        if (const uint16_t code = OpenStretch(fileName, startMs, stopMs, stretch)) return code;
        SDL_AudioDeviceID device = 0;
        if (const uint16_t code = OpenDevice(stretch.format, stretch.frame, device)) return code;
        try {
            g_playback = std::make_unique<Playback>(std::move(stretch), startMs, device);
        } catch (...) {
            SDL_CloseAudioDevice(device);
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            throw;
        }
        return ZRV_OK;
    } catch (const std::bad_alloc&) {
        return ZRV_NO_MEMORY;
    } catch (...) {
        return ZRV_NO_MEMORY_FOR_BUFFERS;  // a thread that cannot be made
    }
}

uint32_t AudioGetPosition(uint32_t) {
    std::lock_guard lock(g_mutex);
    if (!g_playback) return 0;
    if (g_playback->Done()) {
        EndPlayback();
        return 0;
    }
    return g_playback->Position();
}

uint16_t AudioStop(void) {
    std::lock_guard lock(g_mutex);
    EndPlayback();
    return ZRV_OK;
}

}  // extern "C"
