#pragma once
// Wave files made in code for the tests: the signal of each case is spelled out
// beside the case (loud here, silence there), and odd layouts are built chunk
// by chunk.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quillon::test {

using Bytes = std::vector<uint8_t>;

// Sample frames of 8-bit (unsigned) or 16-bit (signed) PCM.
class Pcm {
public:
    Pcm(int bits, int channels) : bits_(bits), channels_(channels) {}
    // frames of a full-scale-ish square wave (every channel loud).
    Pcm& Loud(uint32_t frames);
    // frames of digital silence (8-bit: 128; 16-bit: 0).
    Pcm& Silent(uint32_t frames);
    // frames with every channel at amplitude (8-bit: 128 + amplitude).
    Pcm& Level(uint32_t frames, int amplitude);
    // One frame with these raw sample values (8-bit: the byte; 16-bit: the value).
    Pcm& Frame(std::initializer_list<int> samples);

    [[nodiscard]] const Bytes& bytes() const { return bytes_; }
    [[nodiscard]] uint32_t frames() const { return uint32_t(bytes_.size() / (channels_ * (bits_ / 8))); }

private:
    void Sample(int value);
    int bits_;
    int channels_;
    Bytes bytes_;
};

struct Format {
    uint16_t tag = 1;
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    uint16_t blockAlign = 0;  // 0: channels * bits / 8
    uint32_t fmtSize = 16;    // 16, 18 or more (extra bytes are zeros)
};

// The body of a "fmt " chunk for f.
Bytes FmtBody(const Format& f);
// A chunk: id, little-endian size, body, a pad byte when the body is odd.
// sizeOverride replaces the size field (e.g. a data chunk larger than the file).
Bytes Chunk(const char* id, const Bytes& body, int64_t sizeOverride = -1);
// "RIFF", size, form type, then the chunks as given.
Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE", const char* riffId = "RIFF");
// The ordinary file: fmt then data.
Bytes PcmWave(const Format& f, const Bytes& data);

// A 40-byte extensible fmt body: container bits, valid bits, speaker mask and
// the sub-format's tag (1 PCM, 3 IEEE float) in the standard GUID.
Bytes ExtensibleFmtBody(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t validBits, uint16_t subTag,
                        uint32_t mask = 3);
// A 64-bit form ("RF64" or "BW64"): sizes 0xFFFFFFFF, a ds64 chunk with the
// real RIFF and data sizes (dataSize, when given, in place of data's), then
// fmt and data.
Bytes Rf64Wave(const Bytes& fmtBody, const Bytes& data, const char* id = "RF64", int64_t dataSize = -1);

uint32_t Le32(const Bytes& b, std::size_t at);
uint16_t Le16(const Bytes& b, std::size_t at);

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }
    // path()/name, with bytes written there.
    std::string Write(const std::string& name, const Bytes& bytes) const;
    // bytes written at an absolute path.
    static void WriteAt(const std::string& path, const Bytes& bytes);

private:
    std::string path_;
};

Bytes ReadFile(const std::string& path);

// The save's temporary files (hidden ".quillon-" names) left in folder.
std::vector<std::string> PartFiles(const std::string& folder);

}  // namespace quillon::test
