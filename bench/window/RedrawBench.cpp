// Times the overview picture's redraw for a short and a long recording, at
// the whole view and at the deepest zoom (its samples already read), and
// prints the best of the runs in milliseconds:
//   quillon-bench-redraw RUNS
// prints "short_whole short_deep long_whole long_deep" (3 minutes, 3 hours).
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "analysis/LevelOverview.h"
#include "analysis/window/LevelView.h"

namespace {

using Clock = std::chrono::steady_clock;
using quillon::app::LevelView;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Music-like peaks: loud stretches of about four minutes with a quiet gap of
// a few seconds between them.
quillon::engine::LevelOverview Overview(uint64_t seconds) {
    quillon::engine::LevelOverview overview;
    overview.SamplesPerSec = 44100;
    overview.TotalFrames = seconds * 44100;
    overview.ColumnFrames = quillon::engine::OverviewColumnFrames(44100, overview.TotalFrames);
    const auto columns = std::size_t((overview.TotalFrames + overview.ColumnFrames - 1) / overview.ColumnFrames);
    const double columnSeconds = double(overview.ColumnFrames) / 44100;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> loud(2000, 32000), quiet(0, 200);
    overview.Peaks.resize(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        const double at = std::fmod(c * columnSeconds, 240.0);
        overview.Peaks[c] = uint16_t(at < 4 ? quiet(random) : loud(random));
    }
    return overview;
}

std::vector<quillon::app::TrackMark> Tracks(uint64_t seconds) {
    std::vector<quillon::app::TrackMark> tracks;
    for (uint64_t s = 0; s < seconds; s += 240) {
        tracks.push_back({uint32_t(s * 1000 + 2000), uint32_t(std::min(seconds, s + 242) * 1000), s % 480 == 0, false});
    }
    tracks.front().StartMs = 0;
    return tracks;
}

// The best of runs of draw(), each after prepare() and followed by the view painted once.
template <typename Prepare, typename Draw>
double Best(LevelView& view, int runs, Prepare prepare, Draw draw) {
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        prepare();
        const auto start = Clock::now();
        draw(run);
        (void)view.grab();
        best = std::min(best, MsSince(start));
    }
    return best;
}

std::pair<double, double> Measure(uint64_t seconds, int runs) {
    const quillon::engine::LevelOverview overview = Overview(seconds);
    LevelView view;
    view.resize(1200, 320);
    view.SetOverview(&overview);
    view.SetTracks(Tracks(seconds));
    view.show();
    const double total = view.TotalMs();
    // Each run shows the whole from a slightly different stretch, so it is drawn anew.
    const double whole = Best(
        view, runs, [&] { view.ShowSpan(0, total * 0.99); }, [&](int) { view.ShowWhole(); });
    const double middle = total / 2;
    view.ShowSpan(middle, view.MinSpanMs());
    const auto span = view.WantedSamples();
    std::vector<quillon::engine::SampleColumn> columns(span ? std::min<uint64_t>(span->Frames, span->Pixels) : 0);
    for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = {-0.3f * float(i % 7) / 7, 0.5f * float(i % 5) / 5};
    const double deep = Best(
        view, runs, [] {},
        [&](int) {
            if (span) view.SetSamples(*span, columns);
        });
    return {whole, deep};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const auto [shortWhole, shortDeep] = Measure(3 * 60, runs);
    const auto [longWhole, longDeep] = Measure(3 * 3600, runs);
    std::printf("%.3f %.3f %.3f %.3f\n", shortWhole, shortDeep, longWhole, longDeep);
    return 0;
}
