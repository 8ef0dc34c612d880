// quillon-make-album: writes a recording shaped like a record side, for the demo
// and the benchmark. Pieces of music-like sound (notes with harmonics and a bass
// line) are separated by gaps of quiet hiss; one piece holds a short quiet
// passage that is too short to count as a gap.
//
//   quillon-make-album --demo OUT.wav          about 3.5 minutes, 5 pieces
//   quillon-make-album --minutes N OUT.wav     N minutes of 3-4 minute pieces
//   quillon-make-album --worn OUT.wav          the demo side from a worn record: clicks
//                                              of 11 to 18 % every half second in the
//                                              gaps, and two quiet passages in the pieces
//
// 44.1 kHz, 16-bit stereo. The same arguments always give the same bytes.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "export/WaveWrite.h"

namespace {

using namespace quillon;

constexpr uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed ? seed : 1) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return uint32_t(state_ >> 16);
    }
    double Uniform() { return (Next() & 0xFFFFFF) / double(0x1000000); }  // [0, 1)

private:
    uint64_t state_;
};

class SineTable {
public:
    SineTable() : table_(kSize) {
        for (int i = 0; i < kSize; ++i) table_[i] = std::sin(2 * kPi * i / kSize);
    }
    double operator()(double phase) const { return table_[int(phase * kSize) & (kSize - 1)]; }

private:
    static constexpr int kSize = 4096;
    std::vector<double> table_;
};

// One stretch of the recording, in seconds.
struct Segment {
    enum Kind { Hiss, Music, QuietPassage, Crackle } kind;
    double seconds;
};

class Writer {
public:
    explicit Writer(const std::string& path) : rng_(12345) {
        engine::WaveFormat format;
        format.wFormatTag = engine::WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = kRate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = kRate * 4;
        handle_ = engine::CreateWaveOutput(path, format, riff_, data_);
    }
    bool Ok() const { return handle_ != nullptr && ok_; }

    void Add(const Segment& s) {
        const auto frames = uint64_t(s.seconds * kRate);
        for (uint64_t i = 0; i < frames; ++i) {
            double left = 0, right = 0;
            if (s.kind == Segment::Music) MusicFrame(&left, &right);
            // Hiss at about 1 % of full scale: well under the default 10 % threshold.
            left += (rng_.Uniform() - 0.5) * 0.02;
            right += (rng_.Uniform() - 0.5) * 0.02;
            if (s.kind == Segment::Crackle) Click(i, &left, &right);
            Put(left);
            Put(right);
        }
        if (s.kind == Segment::Music) ++piece_;
    }

    bool Close() {
        Flush();
        return handle_ && engine::CloseWaveOutput(handle_, data_, riff_) && ok_;
    }

private:
    // A melody of short notes over a bass line; a new note every 0.3 s keeps the
    // level up, so only zero crossings dip below the threshold, never for long.
    void MusicFrame(double* left, double* right) {
        if (noteLeft_ == 0) {
            static const int kScale[] = {0, 2, 4, 5, 7, 9, 11, 12};
            const int step = kScale[rng_.Next() % 8] + 12 * int(piece_ % 2);
            melodyHz_ = 220.0 * std::pow(2.0, step / 12.0);
            if (noteCount_++ % 4 == 0) bassHz_ = 55.0 * std::pow(2.0, kScale[rng_.Next() % 5] / 12.0);
            noteLeft_ = uint32_t(0.3 * kRate);
            noteAge_ = 0;
        }
        --noteLeft_;
        const double t = double(noteAge_++) / kRate;
        const double envelope = 0.55 + 0.45 * std::exp(-t * 6);
        melodyPhase_ = std::fmod(melodyPhase_ + melodyHz_ / kRate, 1.0);
        bassPhase_ = std::fmod(bassPhase_ + bassHz_ / kRate, 1.0);
        const double melody = sine_(melodyPhase_) + 0.5 * sine_(2 * melodyPhase_) + 0.25 * sine_(3 * melodyPhase_);
        const double bass = sine_(bassPhase_) + 0.3 * sine_(2 * bassPhase_);
        *left = 0.28 * envelope * melody + 0.25 * bass;
        *right = 0.22 * envelope * melody + 0.3 * bass;
    }

    // A worn record's click: a few samples at 11 to 18 % of full scale, about
    // every half second.
    void Click(uint64_t frame, double* left, double* right) {
        if (frame % (kRate / 2) == 0) clickLeft_ = 6, clickLevel_ = 0.11 + 0.07 * rng_.Uniform();
        if (clickLeft_ == 0) return;
        --clickLeft_;
        *left = clickLevel_ * (clickLeft_ % 2 ? 1 : -1);
        *right = *left;
    }

    void Put(double v) {
        const double clipped = v > 0.999 ? 0.999 : (v < -0.999 ? -0.999 : v);
        const auto s = int16_t(std::lrint(clipped * 32767));
        buffer_.push_back(uint8_t(s & 0xFF));
        buffer_.push_back(uint8_t((s >> 8) & 0xFF));
        if (buffer_.size() >= (1u << 20)) Flush();
    }

    void Flush() {
        if (handle_ && !buffer_.empty() &&
            platform::mmioWrite(handle_, buffer_.data(), int64_t(buffer_.size())) != int64_t(buffer_.size()))
            ok_ = false;
        buffer_.clear();
    }

    platform::HMMIO handle_ = nullptr;
    platform::MMCKINFO riff_{}, data_{};
    std::vector<uint8_t> buffer_;
    bool ok_ = true;
    Random rng_;
    SineTable sine_;
    unsigned piece_ = 0;
    unsigned noteCount_ = 0;
    int clickLeft_ = 0;
    double clickLevel_ = 0;
    uint32_t noteLeft_ = 0, noteAge_ = 0;
    double melodyHz_ = 220, bassHz_ = 55, melodyPhase_ = 0, bassPhase_ = 0;
};

std::vector<Segment> DemoSide() {
    return {
        {Segment::Hiss, 1.0},         {Segment::Music, 40.0}, {Segment::Hiss, 4.0}, {Segment::Music, 17.0},
        {Segment::QuietPassage, 2.0}, {Segment::Music, 16.0}, {Segment::Hiss, 5.0}, {Segment::Music, 30.0},
        {Segment::Hiss, 4.0},         {Segment::Music, 45.0}, {Segment::Hiss, 4.5}, {Segment::Music, 30.0},
        {Segment::Hiss, 2.0},
    };
}

// The demo side as a worn record plays it: crackle in every gap between pieces,
// and quiet passages of 2.5 s inside two pieces.
std::vector<Segment> WornSide() {
    return {
        {Segment::Hiss, 1.0},         {Segment::Music, 40.0}, {Segment::Crackle, 4.0},      {Segment::Music, 17.0},
        {Segment::QuietPassage, 2.5}, {Segment::Music, 16.0}, {Segment::Crackle, 5.0},      {Segment::Music, 30.0},
        {Segment::Crackle, 4.0},      {Segment::Music, 20.0}, {Segment::QuietPassage, 2.5}, {Segment::Music, 25.0},
        {Segment::Crackle, 4.5},      {Segment::Music, 30.0}, {Segment::Hiss, 2.0},
    };
}

std::vector<Segment> LongSide(double minutes) {
    std::vector<Segment> side{{Segment::Hiss, 1.0}};
    double total = 1.0;
    for (int i = 0; total < minutes * 60; ++i) {
        const double piece = std::min(180.0 + 15.0 * (i % 5), minutes * 60 - total);
        side.push_back({Segment::Music, piece});
        total += piece;
        if (total + 4.0 < minutes * 60) {
            side.push_back({Segment::Hiss, 4.0});
            total += 4.0;
        } else {
            break;
        }
    }
    return side;
}

int Usage() {
    std::fputs("Usage: quillon-make-album --demo OUT.wav | --worn OUT.wav | --minutes N OUT.wav\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Segment> side;
    std::string out;
    if (argc == 3 && std::strcmp(argv[1], "--demo") == 0) {
        side = DemoSide();
        out = argv[2];
    } else if (argc == 3 && std::strcmp(argv[1], "--worn") == 0) {
        side = WornSide();
        out = argv[2];
    } else if (argc == 4 && std::strcmp(argv[1], "--minutes") == 0 && std::atof(argv[2]) > 0) {
        side = LongSide(std::atof(argv[2]));
        out = argv[3];
    } else {
        return Usage();
    }
    Writer writer(out);
    if (!writer.Ok()) {
        std::fprintf(stderr, "quillon-make-album: cannot write %s\n", out.c_str());
        return 1;
    }
    for (const Segment& s : side) writer.Add(s);
    if (!writer.Close()) {
        std::fprintf(stderr, "quillon-make-album: writing %s failed\n", out.c_str());
        return 1;
    }
    return 0;
}
