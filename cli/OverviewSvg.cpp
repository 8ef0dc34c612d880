#include "cli/OverviewSvg.h"

#include <algorithm>
#include <cstdio>

#include "analysis/TrackTimes.h"
#include "cli/TextEscape.h"

namespace quillon::cli {
namespace {

constexpr int kWidth = 1000;  // pixels of recording
constexpr int kLeft = 40, kTop = 24, kPlot = 200, kRuler = 24;

// XML 1.0 allows no control characters but tab and line breaks, nor U+FFFE
// and U+FFFF; those and invalid bytes become U+FFFD.
bool XmlAllows(char32_t code) {
    return code >= 0x20 ? code != 0xFFFE && code != 0xFFFF : code == '\t' || code == '\n' || code == '\r';
}

// For text and attribute values alike.
std::string Escaped(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const Utf8Char c = NextUtf8(text);
        text.remove_prefix(c.length);
        switch (c.code) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: AppendUtf8(out, XmlAllows(c.code) ? c.code : kReplacementChar);
        }
    }
    return out;
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

// y of a level in percent (0 at the bottom of the plot).
double LevelY(double percent) { return kTop + kPlot - std::min(percent, 100.0) * kPlot / 100; }

struct Scale {
    double totalMs;
    [[nodiscard]] double X(double ms) const { return kLeft + (totalMs > 0 ? ms * kWidth / totalMs : 0); }
};

std::string Levels(const engine::LevelOverview& overview) {
    std::string path;
    const std::size_t n = overview.Peaks.size();
    for (int x = 0; x < kWidth && n > 0; ++x) {
        const std::size_t from = std::size_t(uint64_t(x) * n / kWidth);
        const std::size_t to = std::max(from + 1, std::size_t(uint64_t(x + 1) * n / kWidth));
        uint16_t peak = 0;
        for (std::size_t c = from; c < std::min(to, n); ++c) peak = std::max(peak, overview.Peaks[c]);
        char segment[48];
        std::snprintf(segment, sizeof segment, "M%d %.1fV%d", kLeft + x, LevelY(overview.Percent(peak)), kTop + kPlot);
        path += segment;
    }
    return "<path d=\"" + path + "\" stroke=\"#3b6ea8\" stroke-width=\"1\"/>\n";
}

std::string Ruler(const Scale& scale) {
    static const double kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
    double step = kSteps[std::size(kSteps) - 1];
    for (double s : kSteps) {
        if (s * 1000 * kWidth / std::max(scale.totalMs, 1.0) >= 70) {
            step = s;
            break;
        }
    }
    std::string out;
    const int y = kTop + kPlot;
    for (double s = 0; s * 1000 <= scale.totalMs; s += step) {
        const std::string x = Number(scale.X(s * 1000));
        char label[16];
        std::snprintf(label, sizeof label, "%02d:%02d", int(s) / 60, int(s) % 60);
        out += "<line x1=\"" + x + "\" y1=\"" + std::to_string(y) + "\" x2=\"" + x + "\" y2=\"" +
               std::to_string(y + 5) + "\" stroke=\"#555\"/><text x=\"" + x + "\" y=\"" + std::to_string(y + 17) +
               "\" text-anchor=\"middle\">" + label + "</text>\n";
    }
    return out;
}

std::string Silences(const Analysis& analysis, const Scale& scale) {
    std::string out;
    const double rate = analysis.report.Overview.SamplesPerSec;
    if (rate <= 0) return out;
    for (const engine::SilenceSpan& s : analysis.report.Silences) {
        const double x = scale.X(s.StartFrame * 1000.0 / rate);
        const double w = scale.X(s.EndFrame * 1000.0 / rate) - x;
        out += "<rect x=\"" + Number(x) + "\" y=\"" + std::to_string(kTop) + "\" width=\"" + Number(std::max(w, 1.0)) +
               "\" height=\"" + std::to_string(kPlot) + "\" fill=\"#f2c14e\" fill-opacity=\"0.35\"/>\n";
    }
    return out;
}

std::string Boundaries(const Analysis& analysis, const Scale& scale) {
    std::string out;
    const engine::TrackList& tracks = analysis.tracks;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const double start = scale.X(double(engine::TimeTextToMs(tracks[i].Start)));
        const double stop = scale.X(double(engine::TimeTextToMs(tracks[i].Stop)));
        if (i > 0) {
            out += "<line x1=\"" + Number(start) + "\" y1=\"" + std::to_string(kTop - 4) + "\" x2=\"" + Number(start) +
                   "\" y2=\"" + std::to_string(kTop + kPlot) + "\" stroke=\"#b3261e\" stroke-width=\"1.5\"/>\n";
        }
        // The name where it fits in the track's width, else its number.
        const std::string& name = tracks[i].Name;
        const bool fits = double(name.size()) * 6.5 < stop - start - 4;
        out += "<text x=\"" + Number((start + stop) / 2) + "\" y=\"" + std::to_string(kTop - 8) +
               "\" text-anchor=\"middle\"><title>" + Escaped(name) + "</title>" +
               Escaped(fits ? name : std::to_string(i + 1)) + "</text>\n";
    }
    return out;
}

}  // namespace

std::string FormatSvg(const Analysis& analysis) {
    const engine::LevelOverview& overview = analysis.report.Overview;
    const Scale scale{overview.SamplesPerSec ? double(overview.TotalFrames) * 1000 / overview.SamplesPerSec : 0};
    const int width = kLeft + kWidth + 20, height = kTop + kPlot + kRuler + 4;
    const std::string threshold = Number(LevelY(analysis.amplitudePercent));
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
                      std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
                      std::to_string(height) + "\" font-family=\"sans-serif\" font-size=\"11\">\n<title>" +
                      Escaped(analysis.path) + "</title>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += Silences(analysis, scale) + Levels(overview) + Boundaries(analysis, scale) + Ruler(scale);
    svg += "<line x1=\"" + std::to_string(kLeft) + "\" y1=\"" + threshold + "\" x2=\"" +
           std::to_string(kLeft + kWidth) + "\" y2=\"" + threshold +
           "\" stroke=\"#2e7d32\" stroke-dasharray=\"4 3\"/>\n<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" +
           threshold + "\" text-anchor=\"end\" dominant-baseline=\"middle\">" +
           std::to_string(analysis.amplitudePercent) + " %</text>\n</svg>\n";
    return svg;
}

}  // namespace quillon::cli
