#include "cli/TrackNames.h"

#include <algorithm>
#include <cctype>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "cli/Commands.h"
#include "editing/ImportNames.h"
#include "editing/TitleList.h"

namespace quillon::cli {

bool IsCueSheetPath(const std::string& path) {
    const std::string name = engine::ExtractFileName(path);
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".cue";
}

bool ReadTitleSource(const NamingOptions& naming, ConsoleSeam& seam, TitleSource& source) {
    if (!naming.namesFile) return true;
    const std::string path = FullPath(*naming.namesFile);
    std::string error;
    if (IsCueSheetPath(path)) {
        source.Sheet = engine::ReadCueSheet(path);
        error = source.Sheet->Error;
        source.Titles = engine::CueTitles(*source.Sheet);
    } else {
        engine::TitleListRead list = engine::ReadTitleList(path);
        error = std::move(list.Error);
        source.Titles = std::move(list.Titles);
    }
    if (!error.empty()) seam.ShowMessageBox(error);
    return error.empty();
}

bool NameTracks(const NamingOptions& naming, const TitleSource& source, engine::TrackList& tracks, ConsoleSeam& seam) {
    if (!naming.namesFile) return true;
    const engine::ImportPlan plan = engine::PlanImport(source.Titles.size(), tracks.size());
    if (plan.CountsDiffer && !naming.allowMismatch) {
        seam.ShowMessageBox(plan.Summary + "\n" + engine::text::kAllowMismatchOptionHint);
        return false;
    }
    if (plan.CountsDiffer) seam.ShowMessageBox(plan.Summary);
    engine::ImportChoice choice;
    choice.NumberNames = naming.numberNames;
    choice.FirstNumber = uint32_t(naming.firstNumber.value_or(1));
    engine::ApplyTitles(tracks, source.Titles, choice);
    return true;
}

engine::RecordingDetails DetailsOfRecording(const std::string& path, const SaveOptions& save,
                                            const NamingOptions& naming, const TitleSource& source) {
    engine::RecordingDetails details = engine::DefaultDetails(path);
    if (source.Sheet) engine::ApplySheetDetails(*source.Sheet, details);
    const auto take = [](const std::optional<std::string>& from, std::string& to) {
        if (from) to = *from;
    };
    take(save.artist, details.Artist);
    take(save.album, details.Album);
    take(save.year, details.Year);
    take(save.genre, details.Genre);
    details.FirstNumber = uint32_t(naming.firstNumber.value_or(1));
    return details;
}

}  // namespace quillon::cli
