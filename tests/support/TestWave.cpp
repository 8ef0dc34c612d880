#include "support/TestWave.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quillon::test {

Pcm& Pcm::Loud(uint32_t frames) {
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels_; ++c) Sample(bits_ == 8 ? (i % 2 ? 250 : 6) : (i % 2 ? 20000 : -20000));
    return *this;
}

Pcm& Pcm::Silent(uint32_t frames) { return Level(frames, 0); }

Pcm& Pcm::Level(uint32_t frames, int amplitude) {
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels_; ++c) Sample(bits_ == 8 ? 128 + amplitude : amplitude);
    return *this;
}

Pcm& Pcm::Frame(std::initializer_list<int> samples) {
    for (int s : samples) Sample(s);
    return *this;
}

void Pcm::Sample(int value) {
    if (bits_ == 8) {
        bytes_.push_back(uint8_t(value));
    } else {
        bytes_.push_back(uint8_t(value & 0xFF));
        bytes_.push_back(uint8_t((value >> 8) & 0xFF));
    }
}

namespace {
void Put(Bytes& b, uint32_t v, int width) {
    for (int i = 0; i < width; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutId(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(id[i]));
}
// Appends with a plain loop: GCC 12 warns falsely about vector::insert here.
void Append(Bytes& b, const Bytes& more) {
    b.reserve(b.size() + more.size());
    for (uint8_t v : more) b.push_back(v);
}
}  // namespace

Bytes FmtBody(const Format& f) {
    const uint16_t align = f.blockAlign ? f.blockAlign : uint16_t(f.channels * f.bits / 8);
    Bytes b;
    Put(b, f.tag, 2);
    Put(b, f.channels, 2);
    Put(b, f.rate, 4);
    Put(b, f.rate * align, 4);
    Put(b, align, 2);
    Put(b, f.bits, 2);
    while (b.size() < f.fmtSize) b.push_back(0);
    b.resize(f.fmtSize);
    return b;
}

Bytes Chunk(const char* id, const Bytes& body, int64_t sizeOverride) {
    Bytes b;
    PutId(b, id);
    Put(b, sizeOverride >= 0 ? uint32_t(sizeOverride) : uint32_t(body.size()), 4);
    Append(b, body);
    if (body.size() % 2) b.push_back(0);
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks, const char* form, const char* riffId) {
    Bytes inner;
    PutId(inner, form);
    for (const auto& c : chunks) Append(inner, c);
    Bytes b;
    PutId(b, riffId);
    Put(b, uint32_t(inner.size()), 4);
    Append(b, inner);
    return b;
}

Bytes PcmWave(const Format& f, const Bytes& data) { return Riff({Chunk("fmt ", FmtBody(f)), Chunk("data", data)}); }

Bytes ExtensibleFmtBody(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t validBits, uint16_t subTag,
                        uint32_t mask) {
    Format f;
    f.tag = 0xFFFE;
    f.channels = channels;
    f.rate = rate;
    f.bits = bits;
    Bytes b = FmtBody(f);
    Put(b, 22, 2);
    Put(b, validBits, 2);
    Put(b, mask, 4);
    Put(b, subTag, 2);
    for (uint8_t x : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
        b.push_back(x);
    return b;
}

Bytes Rf64Wave(const Bytes& fmtBody, const Bytes& data, const char* id, int64_t dataSize) {
    const Bytes fmt = Chunk("fmt ", fmtBody);
    Bytes ds64;
    const uint64_t riffSize = 4 + (8 + 28) + fmt.size() + 8 + data.size() + data.size() % 2;
    const uint64_t size = dataSize >= 0 ? uint64_t(dataSize) : data.size();
    Put(ds64, uint32_t(riffSize), 4);
    Put(ds64, uint32_t(riffSize >> 32), 4);
    Put(ds64, uint32_t(size), 4);
    Put(ds64, uint32_t(size >> 32), 4);
    Put(ds64, 0, 4);
    Put(ds64, 0, 4);
    Put(ds64, 0, 4);  // no table
    Bytes b;
    PutId(b, id);
    Put(b, 0xFFFFFFFF, 4);
    PutId(b, "WAVE");
    Append(b, Chunk("ds64", ds64));
    Append(b, fmt);
    Append(b, Chunk("data", data, 0xFFFFFFFF));
    return b;
}

uint32_t Le32(const Bytes& b, std::size_t at) {
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}

uint16_t Le16(const Bytes& b, std::size_t at) { return uint16_t(b.at(at) | b.at(at + 1) << 8); }

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const Bytes& bytes) const {
    const std::string p = path_ + "/" + name;
    WriteAt(p, bytes);
    return p;
}

void TempDir::WriteAt(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> PartFiles(const std::string& folder) {
    std::vector<std::string> parts;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        if (e.path().filename().string().rfind(".quillon-", 0) == 0) parts.push_back(e.path());
    }
    return parts;
}

}  // namespace quillon::test
