#include "app/window/MainForm.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "analysis/window/AnalysisHandlers.h"
#include "app/ErrorCodes.h"
#include "app/InstanceProtocol.h"
#include "app/window/AboutBox.h"
#include "app/window/HelpViewer.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TerminationWatch.h"
#include "app/window/TrackListView.h"
#include "editing/window/EditHandlers.h"
#include "editing/window/ImportHandlers.h"
#include "editing/window/SplitUnit.h"
#include "editing/window/UndoHandlers.h"
#include "export/window/DetailsHandlers.h"
#include "export/window/Mp3Handlers.h"
#include "export/window/SaveHandlers.h"
#include "handoff/window/HandOffHandlers.h"
#include "preview/window/PreviewHandlers.h"
#include "settings/window/PreferencesHandlers.h"

namespace quillon::app {

TMainForm::TMainForm(std::vector<std::string> arguments, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      arguments_(std::move(arguments)),
      dialogs_(dialogs),
      seam_(std::make_unique<FormSeam>(*this)) {
    setObjectName(engine::kMainWindowClass);
    setWindowTitle(engine::kAppCaption);
    CreateControls(*this);
    // The track list starts empty and the worker-idle event signalled.
    analysis_ = std::make_unique<AnalysisHandlers>(*this);
    preview_ = std::make_unique<PreviewHandlers>(*this);
    edits_ = std::make_unique<EditHandlers>(*this);
    mp3_ = std::make_unique<Mp3Handlers>(*this);
    save_ = std::make_unique<SaveHandlers>(*this, *mp3_);
    handOff_ = std::make_unique<HandOffHandlers>(*this);
    preferences_ = std::make_unique<PreferencesHandlers>(*this, [this] { ShowHelpTopic(HelpTopic::Preferences); });
    imports_ = std::make_unique<ImportHandlers>(*this);
    detailsEditor_ = std::make_unique<DetailsHandlers>(*this);
    undo_ = std::make_unique<UndoHandlers>(*this);
    WireFeatures();
    ConnectHandlers();
    setAcceptDrops(true);
}

TMainForm::~TMainForm() {
    // An in-place edit can commit while the list is being destroyed.
    TrackListView->disconnect(this);
    StopAndJoinWorkers();
}

// The features reach one another only through what is handed in here.
void TMainForm::WireFeatures() {
    SaveHandlers& save = Save();
    PreviewHandlers& preview = Preview();
    HandOffHandlers& handOff = HandOff();
    Analysis().AbortSave = [&save] {
        if (save.SaveJob) save.AbortSave();
    };
    OverviewHooks& overview = Analysis().Overview;
    overview.PlayPosition = [&preview]() -> std::optional<uint32_t> {
        const uint32_t position = preview.Player.AudioGetPosition();
        return position != 0 ? std::optional<uint32_t>(position) : std::nullopt;
    };
    overview.PlayRange = [&preview](uint32_t startMs, uint32_t stopMs) { preview.PlayRange(startMs, stopMs); };
    overview.StopPreview = [&preview] { preview.StopPreviewButtonClick(); };
    overview.Undo = [this] { Undos().UndoMenuItemClick(); };
    overview.Redo = [this] { Undos().RedoMenuItemClick(); };
    save.CompanionStep = [&handOff] { return handOff.LaunchStep(); };
    handOff.SaveThenLaunch = [&save] { save.SaveCheckedTracks(engine::SaveType::Wave, true, true); };
    Edits().SplitForm->OnHelp = [this] { ShowHelpTopic(HelpTopic::Split); };
    AnalysisHandlers& analysis = Analysis();
    Imports().KeptOverview = [&analysis]() -> const engine::LevelOverview& {
        return analysis.LastAnalysis.Report.Overview;
    };
}

void TMainForm::ConnectHandlers() {
    AnalysisHandlers& analysis = Analysis();
    BrowseButton->OnClick = [this] { BrowseButtonClick(); };
    AnalyzeButton->OnClick = [&analysis] { analysis.analyzeButtonClick(); };
    AbortButton->OnClick = [&analysis] { analysis.AbortButtonClick(); };
    connect(analysis.AnalyzeTimer, &QTimer::timeout, this, [&analysis] { analysis.AnalyzeTimerTimer(); });
    connect(OverviewMenuItem, &QAction::triggered, this, [&analysis] { analysis.OverviewMenuItemClick(); });
    SplitButton->OnClick = [this] { Edits().SplitButtonClick(); };
    MergeButton->OnClick = [this] { Edits().MergeButtonClick(); };

    PreviewHandlers& preview = Preview();
    PreViewTrackStartButton->OnClick = [&preview] { preview.PreViewTrackStartButtonClick(); };
    PreViewTrackEndButton->OnClick = [&preview] { preview.PreViewTrackEndButtonClick(); };
    StopPreviewButton->OnClick = [&preview] { preview.StopPreviewButtonClick(); };
    connect(preview.AudioTimer, &QTimer::timeout, this, [&preview] { preview.AudioTimerTimer(); });

    SaveHandlers& save = Save();
    SaveButton->OnClick = [&save] { save.SaveButtonClick(); };
    connect(SaveMenuItem, &QAction::triggered, this, [&save] { save.SaveMenuItemClick(); });
    connect(save.SaveFileTimer, &QTimer::timeout, this, [&save] { save.SaveFileTimerTimer(); });

    HandOffHandlers& handOff = HandOff();
    EditButton->OnClick = [&handOff] { handOff.EditButtonClick(); };
    BurnCDButton->OnClick = [&handOff] { handOff.BurnCDButtonClick(); };
    connect(EditMenuItem, &QAction::triggered, this, [&handOff] { handOff.EditButtonClick(); });
    connect(BurnMenuItem, &QAction::triggered, this, [&handOff] { handOff.BurnCDButtonClick(); });
    connect(PreferencesMenuItem, &QAction::triggered, this, [this] { Preferences().PreferencesMenuItemClick(); });

    connect(FileNameEdit, &QLineEdit::textChanged, this, [this] { FileNameEditChange(); });
    // Enter in the field runs Analyze, as its button would.
    connect(FileNameEdit, &QLineEdit::returnPressed, AnalyzeButton, [this] { AnalyzeButton->Click(); });
    connect(TrackListView, &QTreeWidget::itemClicked, this, [this] { TrackListViewClick(); });
    connect(TrackListView, &QTreeWidget::itemChanged, this, [this] { TrackListViewChange(); });
    connect(TrackListView, &QTreeWidget::itemSelectionChanged, this, [this] { TrackListViewChange(); });
    connect(TrackListView, &TTrackListView::exited, this, [this] { TrackListViewExit(); });
    connect(TrackListView, &TTrackListView::nameEdited, this,
            [this](int row, const QString& text) { TrackListViewEdited(row, text); });

    connect(OpenMenuItem, &QAction::triggered, this, [this] { BrowseButtonClick(); });
    connect(ExitMenuItem, &QAction::triggered, this, [this] { close(); });
    new TerminationWatch([this] { EndOnSignal(); }, this);
    connect(SelectAllMenuItem, &QAction::triggered, this, [this] { SelectAllMenuItemClick(); });
    connect(SelectNoneMenuitem, &QAction::triggered, this, [this] { SelectNoneMenuitemClick(); });
    connect(ImportMenuItem, &QAction::triggered, this, [this] { Imports().ImportMenuItemClick(); });
    connect(PasteMenuItem, &QAction::triggered, this, [this] { PasteMenuItemClick(); });
    connect(DetailsMenuItem, &QAction::triggered, this, [this] { DetailsEditor().DetailsMenuItemClick(); });
    connect(UndoMenuItem, &QAction::triggered, this, [this] { Undos().UndoMenuItemClick(); });
    connect(RedoMenuItem, &QAction::triggered, this, [this] { Undos().RedoMenuItemClick(); });
    // A job that started or ended since the last edit turns the items off or on.
    connect(EditMenu, &QMenu::aboutToShow, this, [this] { ShowUndoItems(CanEditList()); });
    connect(EditMenu, &QMenu::aboutToHide, this, [this] { ShowUndoItems(true); });
    connect(HelpTopicsItem, &QAction::triggered, this, [this] { ShowHelpTopic(HelpTopic::Contents); });
    connect(AboutQuillonMenuItem, &QAction::triggered, this, [this] {
        AboutBox box(this);
        box.exec();
    });
}

void TMainForm::PasteMenuItemClick() {
    // The name editor pastes into the name it holds; rows are named only from the list itself.
    if (TrackListView->IsEditing()) return;
    Imports().PasteTitles(QGuiApplication::clipboard()->text());
}

}  // namespace quillon::app
