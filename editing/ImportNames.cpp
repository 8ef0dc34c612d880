#include "editing/ImportNames.h"

#include <algorithm>

#include "analysis/TrackTimes.h"
#include "app/ErrorCodes.h"
#include "export/TrackNameRule.h"

namespace quillon::engine {
namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
    return n == 1 ? std::string(one) : FormatText(many, {std::to_string(n)});
}

// "track 4" or "tracks 2-4" of the template pair, for rows first..last (1-based).
std::string Range(std::size_t first, std::size_t last, const char* one, const char* many) {
    if (first == last) return FormatText(one, {std::to_string(first)});
    return FormatText(many, {std::to_string(first) + "-" + std::to_string(last)});
}

std::string Summary(std::size_t titles, std::size_t rows) {
    const std::string counted = Count(titles, text::kPlanOneTitle, text::kPlanTitles);
    if (rows == 0) return FormatText(text::kPlanNoTracks, {counted});
    const std::string tracks = Count(rows, text::kPlanOneTrack, text::kPlanTracks);
    if (titles == 0) return FormatText(text::kPlanNoTitles, {counted, tracks});
    if (titles == rows) return FormatText(text::kPlanEveryTrack, {counted, tracks});
    const std::size_t named = std::min(titles, rows);
    const std::string get = Range(1, named, text::kPlanTrackGetsTitle, text::kPlanTracksGetTitles);
    const std::string rest = titles < rows
                                 ? Range(named + 1, rows, text::kPlanTrackKeepsName, text::kPlanTracksKeepNames)
                                 : Range(named + 1, titles, text::kPlanTitleLeftOut, text::kPlanTitlesLeftOut);
    return FormatText(text::kPlanSome, {counted, tracks, get, rest});
}

std::size_t Digits(uint64_t n) {
    std::size_t digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

}  // namespace

ImportPlan PlanImport(std::size_t titles, std::size_t rows) {
    ImportPlan plan;
    plan.Titles = titles;
    plan.Rows = rows;
    plan.Named = std::min(titles, rows);
    plan.CountsDiffer = titles != rows;
    plan.Summary = Summary(titles, rows);
    return plan;
}

std::string NameFromTitle(const std::string& title, std::size_t row, std::size_t rows, const ImportChoice& choice) {
    const std::string name = UsableTrackName(title);
    if (!choice.NumberNames) return name;
    const uint64_t last = uint64_t(choice.FirstNumber) + std::max<std::size_t>(rows, 1) - 1;
    const int width = int(std::max<std::size_t>(2, Digits(last)));
    return IntToPadded(int64_t(choice.FirstNumber) + int64_t(row), width) + " " + name;
}

void ApplyTitles(TrackList& tracks, const std::vector<std::string>& titles, const ImportChoice& choice) {
    const std::size_t named = std::min(titles.size(), tracks.size());
    for (std::size_t row = 0; row < named; ++row) {
        tracks[row].Title = titles[row];
        const std::string name = NameFromTitle(titles[row], row, tracks.size(), choice);
        if (IsUsableTrackName(UsableTrackName(titles[row]))) tracks[row].Name = name;
    }
}

void ApplySheetDetails(const CueSheet& sheet, RecordingDetails& details) {
    const auto take = [](const std::string& from, std::string& to) {
        if (!from.empty()) to = from;
    };
    take(sheet.Title, details.Album);
    take(sheet.Date, details.Year);
    take(sheet.Genre, details.Genre);
    std::string performer = sheet.Performer;
    if (performer.empty() && !sheet.Tracks.empty()) {
        const std::string& first = sheet.Tracks.front().Performer;
        const bool same = std::all_of(sheet.Tracks.begin(), sheet.Tracks.end(),
                                      [&](const CueTrack& track) { return track.Performer == first; });
        if (same) performer = first;
    }
    take(performer, details.Artist);
}

}  // namespace quillon::engine
