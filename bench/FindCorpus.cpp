// quillon-bench-find: one record side of bench/find.sh, laid from real music,
// and the truth about it.
//
//   quillon-bench-find SEED POOL OUT_DIR
//
// POOL lists music files, one "SECONDS PATH" a line; ffmpeg decodes the
// pieces. The seed fixes everything: the pieces, the gaps, the format and what
// the side went through (seeds 1-20 and 21-40 share their kinds and formats,
// with other music and figures). Writes OUT_DIR/side-SEED.wav and
// OUT_DIR/side-SEED.truth:
//
//   kind NAME            what the side went through
//   pieces N             the number of pieces (the true track count)
//   rate R               frames per second
//   gap FROM TO          one line a gap, in ms: a cut is right strictly inside
//                        (the laid gap, widened by the neighbours' fades below -60 dBFS)
//   right P D            every (amplitude %, duration s) pair whose cuts are all right
//   reachable yes|no     at least 3 right pairs
//
// The right pairs are found by brute force from the samples written, with the
// analysis's own rule: a frame is silent when its first sample (and its second,
// unless mono) lies strictly below P % of full scale, a silence counts when it
// is longer than D seconds of frames and ends before the data does, and each
// cut lies in the middle of its silence.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLoud = 0.001;  // -60 dBFS: quieter fade tails count as gap

enum class Kind { Clean, Worn, Hiss, Hum, DcOffset, IntrosAndFades, QuietPassage, Loud, Live, Grooves };
constexpr std::array<const char*, 10> kKindNames = {"clean",        "worn",          "hiss", "hum",  "dc-offset",
                                                    "intros-fades", "quiet-passage", "loud", "live", "lead-in-run-out"};

struct Format {
    uint32_t rate;
    int bits;
    int channels;
};
// One a seed of each half: the kinds repeat every 10 seeds, the formats every 20.
constexpr std::array<Format, 20> kFormats = {
    {{44100, 16, 2}, {44100, 16, 2}, {48000, 16, 2}, {44100, 16, 1}, {44100, 8, 2},  {96000, 16, 2}, {22050, 16, 2},
     {44100, 16, 2}, {48000, 16, 2}, {44100, 16, 2}, {22050, 8, 1},  {44100, 16, 2}, {44100, 16, 2}, {48000, 16, 2},
     {44100, 16, 2}, {44100, 16, 1}, {96000, 16, 2}, {44100, 16, 2}, {44100, 16, 2}, {44100, 16, 2}}};

struct Source {
    double seconds;
    std::string path;
};

using Random = std::mt19937_64;
double Uniform(Random& r, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(r); }
double Db(double db) { return std::pow(10.0, db / 20); }

// Channel-planar samples of full scale 1.
struct Audio {
    std::vector<std::vector<float>> ch;
    std::size_t Frames() const { return ch.empty() ? 0 : ch[0].size(); }
};

Audio Decode(const Source& s, double from, double length, const Format& f) {
    char command[4096];
    std::snprintf(command, sizeof command, "ffmpeg -v error -ss %.3f -t %.3f -i '%s' -f f32le -ac %d -ar %u -", from,
                  length, s.path.c_str(), f.channels, f.rate);
    Audio a;
    a.ch.resize(std::size_t(f.channels));
    FILE* pipe = popen(command, "r");
    if (pipe == nullptr) return a;
    std::vector<float> frame(std::size_t(f.channels));
    while (std::fread(frame.data(), sizeof(float), frame.size(), pipe) == frame.size()) {
        for (std::size_t c = 0; c < frame.size(); ++c) a.ch[c].push_back(frame[c]);
    }
    pclose(pipe);
    return a;
}

float Peak(const Audio& a) {
    float peak = 0;
    for (const auto& c : a.ch)
        for (float v : c) peak = std::max(peak, std::abs(v));
    return peak;
}

void Scale(Audio& a, std::size_t from, std::size_t to, const auto& gainAt) {
    for (auto& c : a.ch)
        for (std::size_t i = from; i < std::min(to, c.size()); ++i) c[i] *= float(gainAt(i));
}

// A piece as it comes off the record: levelled, then shaped as the kind wants.
Audio MakePiece(const std::vector<Source>& pool, std::vector<std::size_t>& unused, Kind kind, const Format& f,
                double peakDb, Random& r) {
    if (unused.empty())
        for (std::size_t i = 0; i < pool.size(); ++i) unused.push_back(i);
    const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, unused.size() - 1)(r);
    const Source& s = pool[unused[pick]];
    unused.erase(unused.begin() + long(pick));
    const bool whole = s.seconds <= 200;
    const double length = whole ? s.seconds : Uniform(r, 80, 180);
    const double from = whole ? 0 : Uniform(r, 0, s.seconds - length);
    Audio a = Decode(s, from, length, f);
    const std::size_t n = a.Frames();
    const double rate = f.rate;
    if (!whole) {  // an edit out of a longer piece fades in and out
        const double in = Uniform(r, 0.3, 2) * rate, out = Uniform(r, 1, 4) * rate;
        Scale(a, 0, std::size_t(in), [&](std::size_t i) { return i / in; });
        Scale(a, n - std::min<std::size_t>(n, std::size_t(out)), n, [&](std::size_t i) { return (n - i) / out; });
    }
    const float peak = Peak(a);
    if (peak > 0) Scale(a, 0, n, [&](std::size_t) { return Db(peakDb) / peak; });
    if (kind == Kind::Loud) {  // a loud master: squashed into the top of the scale
        const double drive = Uniform(r, 3, 6);
        Scale(a, 0, n, [](std::size_t) { return 1 / Db(-1); });
        for (auto& c : a.ch)
            for (float& v : c) v = float(std::tanh(drive * v) / std::tanh(drive) * Db(-0.5));
    }
    if (kind == Kind::IntrosAndFades && r() % 3 != 0) {
        const double intro = Uniform(r, 5, 15) * rate, ramp = 2 * rate, quiet = Db(Uniform(r, -36, -24));
        Scale(a, 0, std::size_t(intro + ramp),
              [&](std::size_t i) { return i < intro ? quiet : quiet + (1 - quiet) * (i - intro) / ramp; });
    }
    if (kind == Kind::IntrosAndFades && r() % 3 != 0) {
        const double fade = Uniform(r, 8, 20) * rate;
        const std::size_t from_ = n - std::min<std::size_t>(n, std::size_t(fade));
        Scale(a, from_, n, [&](std::size_t i) { return double(n - i) / fade; });
    }
    if (kind == Kind::QuietPassage && r() % 2 == 0 && n > 60 * rate) {
        const double at = Uniform(r, 0.3, 0.7) * n, length_ = Uniform(r, 4, 10) * rate, ramp = 0.3 * rate;
        const double quiet = Db(Uniform(r, -40, -30));
        Scale(a, std::size_t(at - ramp), std::size_t(at + length_ + ramp), [&](std::size_t i) {
            const double into = std::min(i - (at - ramp), at + length_ + ramp - i);
            return into >= ramp ? quiet : 1 - (1 - quiet) * into / ramp;
        });
    }
    return a;
}

// What a side goes through besides its music, added to the laid signal.
// gaps: where the pieces are not, in frames; runOut: the first frame after the last piece.
void AddNoise(Audio& side, Kind kind, const Format& f, const std::vector<std::pair<std::size_t, std::size_t>>& gaps,
              std::size_t runOut, Random& r) {
    const double rate = f.rate;
    std::normal_distribution<double> gauss(0, 1);
    const std::size_t n = side.Frames();
    const auto hiss = [&](double rmsDb) {
        const double rms = Db(rmsDb);
        for (auto& c : side.ch)
            for (float& v : c) v += float(rms * gauss(r));
    };
    const auto click = [&](std::size_t at, double peak) {
        const double sign = r() % 2 ? 1 : -1;
        for (std::size_t c = 0; c < side.ch.size(); ++c) {
            const double level = peak * (c == 0 ? 1 : Uniform(r, 0.7, 1));
            for (std::size_t i = 0; i < std::size_t(0.0015 * rate) && at + i < n; ++i)
                side.ch[c][at + i] += float(sign * level * std::exp(-double(i) / (0.0002 * rate)) *
                                            std::cos(2 * kPi * 3000 * double(i) / rate));
        }
    };
    switch (kind) {
    case Kind::Clean:
    case Kind::Loud: break;
    case Kind::Worn:
    case Kind::Grooves:
        hiss(Uniform(r, -62, -52));
        if (kind == Kind::Worn)
            for (double t = Uniform(r, 0, 0.5); t * rate < n; t += Uniform(r, 0.3, 0.7))
                click(std::size_t(t * rate), Uniform(r, 0.10, 0.20));
        break;
    case Kind::Hiss:
    case Kind::IntrosAndFades:
    case Kind::QuietPassage: hiss(kind == Kind::Hiss ? Uniform(r, -50, -35) : Uniform(r, -66, -56)); break;
    case Kind::Hum: {
        const double level = Db(Uniform(r, -40, -30)), phase = Uniform(r, 0, 1);
        for (auto& c : side.ch)
            for (std::size_t i = 0; i < n; ++i) {
                const double t = double(i) / rate + phase;
                c[i] += float(level * (std::sin(2 * kPi * 50 * t) + std::sin(2 * kPi * 150 * t) / 3));
            }
        hiss(-60);
        break;
    }
    case Kind::DcOffset: {
        const double dc = Uniform(r, 0.05, 0.15);
        for (auto& c : side.ch)
            for (float& v : c) v += float(dc);
        hiss(-60);
        break;
    }
    case Kind::Live:
        hiss(-54);  // the room
        for (const auto& [from, to] : gaps) {
            const double start = double(from) + 0.2 * rate, end = double(to) - 1.0 * rate;
            const double peak = Db(Uniform(r, -28, -16));
            for (double t = start; t < end; t += rate / Uniform(r, 40, 120)) {
                const double rise = std::min({1.0, (t - start) / (0.5 * rate), (end - t) / (1.5 * rate)});
                click(std::size_t(t), peak * rise * Uniform(r, 0.3, 1));
            }
        }
        break;
    }
    if (kind == Kind::Grooves) {  // the needle drops, and the run-out groove turns at 33 1/3
        click(std::size_t(0.05 * rate), 0.35);
        for (std::size_t i = std::size_t(0.8 * rate); i < std::size_t(Uniform(r, 1.5, 3.5) * rate) && i < n;
             i += std::size_t(Uniform(r, 0.2, 0.5) * rate))
            click(i, Uniform(r, 0.05, 0.12));
        const double loud = Uniform(r, 0.10, 0.25);
        for (double t = double(runOut) / rate + 3; t * rate < n; t += 1.8) click(std::size_t(t * rate), loud);
    }
}

std::vector<uint8_t> Quantise(const Audio& a, const Format& f) {
    const std::size_t n = a.Frames(), bytes = std::size_t(f.bits / 8);
    std::vector<uint8_t> out(n * a.ch.size() * bytes);
    uint8_t* p = out.data();
    for (std::size_t i = 0; i < n; ++i)
        for (const auto& c : a.ch) {
            if (f.bits == 8) {
                *p++ = uint8_t(std::clamp<long>(std::lround(c[i] * 128.0) + 128, 0, 255));
            } else {
                const auto v = uint16_t(int16_t(std::clamp<long>(std::lround(c[i] * 32767.0), -32768, 32767)));
                *p++ = uint8_t(v & 0xff);
                *p++ = uint8_t(v >> 8);
            }
        }
    return out;
}

bool WriteWave(const std::string& path, const Format& f, const std::vector<uint8_t>& data) {
    const auto u32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    };
    const auto u16 = [](std::vector<uint8_t>& b, uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    const uint16_t align = uint16_t(f.channels * f.bits / 8);
    std::vector<uint8_t> h = {'R', 'I', 'F', 'F'};
    u32(h, uint32_t(36 + data.size()));
    for (char c : std::string("WAVEfmt ")) h.push_back(uint8_t(c));
    u32(h, 16);
    u16(h, 1);
    u16(h, uint16_t(f.channels));
    u32(h, f.rate);
    u32(h, f.rate * align);
    u16(h, align);
    u16(h, uint16_t(f.bits));
    for (char c : std::string("data")) h.push_back(uint8_t(c));
    u32(h, uint32_t(data.size()));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(h.data()), std::streamsize(h.size()));
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return bool(out);
}

// The smallest percent (1..100) at which each frame is silent; 101 when none.
std::vector<uint8_t> SilentFrom(const std::vector<uint8_t>& data, const Format& f) {
    const int scale = f.bits == 8 ? 128 : 32767;
    std::vector<uint8_t> table(32769, 101);
    for (int a = 0; a <= 32768; ++a)
        for (int p = 1; p <= 100; ++p)
            if (a < double(p) * scale / 100) {
                table[std::size_t(a)] = uint8_t(p);
                break;
            }
    const std::size_t bytes = std::size_t(f.bits / 8), align = bytes * std::size_t(f.channels);
    const auto amplitude = [&](const uint8_t* s) {
        const int v = f.bits == 8 ? int(s[0]) - 128 : int(int16_t(uint16_t(s[0] | s[1] << 8)));
        return v < 0 ? -v : v;
    };
    std::vector<uint8_t> from(data.size() / align);
    for (std::size_t i = 0; i < from.size(); ++i) {
        const uint8_t* frame = data.data() + i * align;
        int a = amplitude(frame);
        if (f.channels > 1) a = std::max(a, amplitude(frame + bytes));
        from[i] = table[std::size_t(a)];
    }
    return from;
}

struct Run {
    std::size_t start, length;
};

// The runs of frames silent at percent that end before the data does and
// last longer than a second: whole quiet 10 ms columns, extended frame by
// frame into the loud columns on either side.
std::vector<Run> RunsAt(const std::vector<uint8_t>& silentFrom, const std::vector<uint8_t>& columnMax,
                        std::size_t columnFrames, int percent, std::size_t minLength) {
    std::vector<Run> runs;
    const std::size_t n = silentFrom.size();
    for (std::size_t c = 0; c < columnMax.size();) {
        if (columnMax[c] > percent) {
            ++c;
            continue;
        }
        std::size_t first = c;
        while (c < columnMax.size() && columnMax[c] <= percent) ++c;
        std::size_t start = first * columnFrames, end = std::min(n, c * columnFrames);
        while (start > 0 && silentFrom[start - 1] <= percent) --start;
        while (end < n && silentFrom[end] <= percent) ++end;
        if (end == n) break;
        if (end - start > minLength) runs.push_back({start, end - start});
    }
    return runs;
}

struct Truth {
    std::vector<std::pair<double, double>> gaps;  // frames, open interval
    std::vector<std::pair<int, int>> right;
};

void FindRightPairs(const std::vector<uint8_t>& data, const Format& f, Truth& truth) {
    const std::vector<uint8_t> from = SilentFrom(data, f);
    const std::size_t columnFrames = f.rate / 100;
    std::vector<uint8_t> columnMax((from.size() + columnFrames - 1) / columnFrames, 0);
    for (std::size_t i = 0; i < from.size(); ++i)
        columnMax[i / columnFrames] = std::max(columnMax[i / columnFrames], from[i]);
    for (int p = 1; p <= 100; ++p) {
        const std::vector<Run> runs = RunsAt(from, columnMax, columnFrames, p, f.rate);
        for (int d = 1; d <= 100; ++d) {
            const std::size_t m = std::size_t(f.rate) * std::size_t(d);
            std::vector<double> cuts;
            for (const Run& run : runs)
                if (run.length > m) cuts.push_back(double(run.start + run.length / 2));
            if (cuts.size() != truth.gaps.size()) continue;
            bool right = true;
            for (std::size_t i = 0; i < cuts.size(); ++i)
                right = right && cuts[i] > truth.gaps[i].first && cuts[i] < truth.gaps[i].second;
            if (right) truth.right.emplace_back(p, d);
        }
    }
}

// The first and one past the last frame of a piece as loud as -60 dBFS.
std::pair<std::size_t, std::size_t> LoudExtent(const Audio& a) {
    std::size_t first = a.Frames(), last = 0;
    for (const auto& c : a.ch)
        for (std::size_t i = 0; i < c.size(); ++i)
            if (std::abs(c[i]) >= kLoud) {
                first = std::min(first, i);
                last = std::max(last, i + 1);
            }
    return {first, last};
}

std::vector<Source> ReadPool(const std::string& path) {
    std::vector<Source> pool;
    std::ifstream in(path);
    Source s;
    while (in >> s.seconds && std::getline(in >> std::ws, s.path)) pool.push_back(s);
    return pool;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: quillon-bench-find SEED POOL OUT_DIR\n");
        return 2;
    }
    const int seed = std::atoi(argv[1]);
    const std::vector<Source> pool = ReadPool(argv[2]);
    if (pool.size() < 10) {
        std::fprintf(stderr, "quillon-bench-find: the pool %s lists fewer than 10 pieces\n", argv[2]);
        return 1;
    }
    const Kind kind = Kind((seed - 1) % 10);
    const Format f = kFormats[std::size_t(seed - 1) % kFormats.size()];
    const bool radioShow = seed == 40;  // a side of an hour, for the time a count takes there
    Random r(uint64_t(seed) * 7919);
    int pieces = int(3 + r() % 5);
    const double sidePeakDb = kind == Kind::Loud ? 0 : Uniform(r, -7, -1);

    std::vector<std::size_t> unused;
    Audio side;
    side.ch.resize(std::size_t(f.channels));
    const auto pad = [&](double seconds) {
        for (auto& c : side.ch) c.resize(c.size() + std::size_t(seconds * f.rate), 0.0f);
    };
    Truth truth;
    std::vector<std::pair<std::size_t, std::size_t>> gaps;  // laid, in frames
    pad(kind == Kind::Grooves ? 0 : Uniform(r, 0.1, 1.5));
    std::size_t lastLoud = 0;
    for (int i = 0; radioShow ? side.Frames() < 3590.0 * f.rate : i < pieces; ++i) {
        pieces = i + 1;
        if (i > 0) {
            const std::size_t from = side.Frames();
            pad(kind == Kind::Live ? Uniform(r, 4, 9) : Uniform(r, 1.8, 5));
            gaps.emplace_back(from, side.Frames());
        }
        if (i == 0 && kind == Kind::Grooves) pad(Uniform(r, 2, 4));
        const Audio piece = MakePiece(pool, unused, kind, f, sidePeakDb + Uniform(r, -3, 0), r);
        const auto [first, last] = LoudExtent(piece);
        const std::size_t at = side.Frames();
        if (i > 0) truth.gaps.emplace_back(double(lastLoud), double(at + first));
        lastLoud = at + last;
        for (std::size_t c = 0; c < side.ch.size(); ++c)
            side.ch[c].insert(side.ch[c].end(), piece.ch[c].begin(), piece.ch[c].end());
    }
    const std::size_t runOut = side.Frames();
    pad(kind == Kind::Grooves ? Uniform(r, 15, 25) : Uniform(r, 0.5, 4));
    AddNoise(side, kind, f, gaps, runOut, r);
    const std::vector<uint8_t> data = Quantise(side, f);
    side = Audio{};
    FindRightPairs(data, f, truth);

    const std::string base = std::string(argv[3]) + "/side-" + (seed < 10 ? "0" : "") + std::to_string(seed);
    if (!WriteWave(base + ".wav.part", f, data)) return 1;
    std::ofstream out(base + ".truth");
    out << "kind " << kKindNames[std::size_t(kind)] << "\npieces " << pieces << "\nrate " << f.rate << "\nformat "
        << f.rate << "/" << f.bits << "/" << f.channels << "\nseconds "
        << data.size() / (f.channels * f.bits / 8) / f.rate << "\n";
    char line[128];
    for (const auto& [a, b] : truth.gaps) {
        std::snprintf(line, sizeof line, "gap %.3f %.3f\n", a * 1000 / f.rate, b * 1000 / f.rate);
        out << line;
    }
    for (const auto& [p, d] : truth.right) out << "right " << p << " " << d << "\n";
    out << "reachable " << (truth.right.size() >= 3 ? "yes" : "no") << "\n";
    out.close();
    if (!out || std::rename((base + ".wav.part").c_str(), (base + ".wav").c_str()) != 0) return 1;
    return 0;
}
