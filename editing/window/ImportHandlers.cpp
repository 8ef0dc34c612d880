#include "editing/window/ImportHandlers.h"

#include <utility>

#include <QDialog>
#include <QFileInfo>
#include <QWidget>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "app/window/FormPanel.h"
#include "app/window/UserDialogs.h"
#include "editing/ImportNames.h"
#include "editing/SheetCuts.h"
#include "editing/TitleList.h"
#include "editing/window/ImportForm.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

const char* const kImportCaption = "Import Track Names";
const char* const kPasteCaption = "Paste Track Names";
const char* const kImportFilter =
    "Title Lists and CUE Sheets (*.txt *.cue *.TXT *.CUE);;Title Lists (*.txt *.TXT);;CUE Sheets (*.cue *.CUE);;"
    "All Files (*)";

bool IsCueSheet(const std::string& path) { return engine::EqualsIgnoringCase(engine::ExtractFileExt(path), ".cue"); }

std::string StatusAfterImport(std::size_t named, const std::string& from, bool cut) {
    const std::string tracks = named == 1 ? std::string(engine::text::kPlanOneTrack)
                                          : engine::FormatText(engine::text::kPlanTracks, {std::to_string(named)});
    // The sheet's name would not leave room for the cut in the status line.
    if (cut) return engine::FormatText(engine::text::kImportNamedAndCut, {tracks});
    return engine::FormatText(engine::text::kImportNamed, {tracks, from});
}

// The window stays busy from the first dialog to the last, so that no file
// handed over in between starts an analysis under the import.
class BusyWhile {
public:
    explicit BusyWhile(FormPanel& form) : form_(form) { form_.UiBusy = true; }
    ~BusyWhile() { form_.UiBusy = false; }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    FormPanel& form_;
};

}  // namespace

ImportHandlers::ImportHandlers(FormPanel& form) : ImportForm(new TImportForm(&form.Window())), form_(form) {}

bool ImportHandlers::ListEditable() const {
    return !form_.UiBusy.load() && !form_.ListLocked() && !form_.AnalysisRunning() && !form_.TrackList.empty();
}

void ImportHandlers::ImportMenuItemClick() {
    if (!ListEditable()) return;
    const BusyWhile busy(form_);
    const QString folder = QFileInfo(QString::fromStdString(form_.CurrentWaveFile)).absolutePath();
    const QString chosen = form_.Dialogs().OpenFileName(&form_.Window(), kImportFilter, folder);
    if (!chosen.isEmpty()) ImportFrom(chosen.toStdString());
}

void ImportHandlers::ImportFile(const std::string& path) {
    if (!ListEditable()) return;
    const BusyWhile busy(form_);
    ImportFrom(path);
}

void ImportHandlers::PasteTitles(const QString& text) {
    if (!ListEditable()) return;
    const BusyWhile busy(form_);
    ImportSource source{kPasteCaption, engine::text::kFromClipboard, engine::ParseTitleList(text.toStdString())};
    if (source.Titles.empty()) {
        form_.Seam().ShowErrorBox(engine::text::kClipboardNoTitles);
        return;
    }
    ConfirmAndApply(source);
}

void ImportHandlers::ImportFrom(const std::string& path) {
    const std::string name = engine::ExtractFileName(path);
    if (IsCueSheet(path)) {
        const engine::CueSheet sheet = engine::ReadCueSheet(path);
        if (!sheet.Error.empty()) return form_.Seam().ShowErrorBox(sheet.Error);
        ConfirmAndApply({kImportCaption, name, engine::CueTitles(sheet), &sheet});
        return;
    }
    engine::TitleListRead list = engine::ReadTitleList(path);
    if (!list.Error.empty()) return form_.Seam().ShowErrorBox(list.Error);
    ConfirmAndApply({kImportCaption, name, std::move(list.Titles)});
}

bool ImportHandlers::OfferCut(const engine::CueSheet* sheet) const {
    if (sheet == nullptr || sheet->Tracks.size() != form_.TrackList.size() || !KeptOverview) return false;
    // The first track starts where the list does; every later one needs its own time.
    for (std::size_t i = 1; i < sheet->Tracks.size(); ++i) {
        if (!sheet->Tracks[i].StartMs) return false;
    }
    return true;
}

void ImportHandlers::ConfirmAndApply(const ImportSource& source) {
    const engine::ImportPlan plan = engine::PlanImport(source.Titles.size(), form_.TrackList.size());
    ImportForm->Prepare(source.Caption, plan, OfferCut(source.Sheet));
    if (form_.Dialogs().Exec(*ImportForm) != QDialog::Accepted) return;

    engine::TrackList tracks = form_.TrackList;
    const bool cut = ImportForm->CutAtTimes();
    if (cut) {
        // Read now, as the analysis reads it: the quiet is judged at the amplitude set.
        const int32_t amplitude = engine::SettingsFile().Read(engine::keys::SilenceAmplitude);
        engine::SheetCuts cuts = engine::CutAtSheetTimes(tracks, *source.Sheet, KeptOverview(), amplitude);
        if (cuts.Fault != engine::SheetCutFault::None) return form_.Seam().ShowErrorBox(cuts.Error);
        tracks = std::move(cuts.Tracks);
    }
    engine::ApplyTitles(tracks, source.Titles, {ImportForm->NumberNames(), form_.Details.FirstNumber});
    engine::TrackList before = std::exchange(form_.TrackList, std::move(tracks));
    form_.RecordEdit(cut ? "Import Names and Cuts" : "Import Track Names", std::move(before));
    if (source.Sheet != nullptr) engine::ApplySheetDetails(*source.Sheet, form_.Details);
    form_.RefreshTrackListView();
    form_.SetStatusText(QString::fromStdString(StatusAfterImport(plan.Named, source.From, cut)));
}

}  // namespace quillon::app
