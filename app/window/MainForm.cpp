#include "app/window/MainForm.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include "app/ErrorCodes.h"
#include "app/InstanceProtocol.h"
#include "app/window/QtSeams.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"
#include "app/Util.h"
#include "editing/window/SplitUnit.h"
#include "export/window/CodecMessageUnit.h"
#include "export/mp3/Lame_dll.h"
#include "export/window/SaveAsMp3.h"
#include "settings/window/preferences.h"
#include "app/window/HelpViewer.h"

namespace quillon::app {
namespace {

constexpr int kClientWidth = 560;
constexpr int kClientHeight = 430;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;

QPixmap LoadArtwork(const char* key, const char* state) {
    static const std::string folder = engine::DataFolder("artwork");
    return QPixmap(QString::fromStdString(folder) + QString("%1-%2.png").arg(key, state));
}

}  // namespace

TMainForm::TMainForm(std::vector<std::string> arguments, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      arguments_(std::move(arguments)),
      dialogs_(dialogs),
      seam_(std::make_unique<FormSeam>(*this)),
      analysisRunner_(engine::RunAnalysis) {
    Player = LibraryPlayer();
    LameAvailable = engine::LoadLameLibrary();
    setObjectName(engine::kMainWindowClass);
    setWindowTitle(engine::kAppCaption);
    CreateControls();
    CreateMenus();
    CreateStatusBar();
    SplitForm = new TSplitForm(this);
    SplitForm->OnHelp = [this] { ShowHelpTopic(HelpTopic::Split); };
    SaveAsMP3Form = new TSaveAsMP3Form(this, *seam_, [this] { return FileNameEdit->text().toStdString(); });
    CodecMessageForm = new TCodecMessageForm(this);
    PreferencesForm = new TPreferencesForm(
        this, *seam_, dialogs_, [this] { return FileNameEdit->text().toStdString(); },
        [this] { ShowHelpTopic(HelpTopic::Preferences); });
    ConnectHandlers();
    setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
    // The track list starts empty and the worker-idle event signalled.
    AbortButton->hide();
    StatusPanels[0]->clear();
    setAcceptDrops(true);
}

TMainForm::~TMainForm() {
    // An in-place edit can commit while the list is being destroyed.
    TrackListView->disconnect(this);
    StopAndJoinWorkers();
}

TSimpleBmpButton* TMainForm::MakeButton(const char* artwork, const QString& label, const QString& tip, int x,
                                        int y) {
    auto* button = new TSimpleBmpButton(centralWidget());
    button->setObjectName(QString(artwork));
    button->setAccessibleName(label);
    button->setToolTip(tip);
    button->setGeometry(x, y, kButtonWidth, kButtonHeight);
    button->SetUpImage(LoadArtwork(artwork, "up"));
    button->SetDownImage(LoadArtwork(artwork, "down"));
    button->SetDisImage(LoadArtwork(artwork, "disabled"));
    return button;
}

void TMainForm::CreateControls() {
    setCentralWidget(new QWidget(this));
    QWidget* client = centralWidget();

    auto* fileLabel = new QLabel("File Name :", client);
    fileLabel->setGeometry(12, 13, 70, 26);
    FileNameEdit = new QLineEdit(client);
    FileNameEdit->setGeometry(84, 13, 272, 26);
    fileLabel->setBuddy(FileNameEdit);
    BrowseButton = MakeButton("browse", "Browse", "Choose a wave file", 364, 12);
    AnalyzeButton = MakeButton("analyze", "Analyze", "Find the tracks of the wave file", 460, 12);

    TrackListView = new TTrackListView(client);
    TrackListView->setGeometry(12, 50, 536, 252);

    const int row1 = 312;
    SplitButton = MakeButton("split", "Split", "Split the checked track at a time", 12, row1);
    MergeButton = MakeButton("merge", "Merge", "Merge two neighbouring checked tracks", 106, row1);
    PreViewTrackStartButton = MakeButton("preview-start", "Play", "Preview the whole track", 200, row1);
    PreViewTrackEndButton = MakeButton("preview-end", "Play End", "Preview the end of the track", 294, row1);
    StopPreviewButton = MakeButton("stop-preview", "Stop", "Stop the preview", 388, row1);

    const int row2 = 348;
    auto* typeLabel = new QLabel("Save as :", client);
    typeLabel->setGeometry(12, row2 + 1, 60, 26);
    FileTypeComboBox = new QComboBox(client);
    FileTypeComboBox->addItems({"Wave", "MP3"});
    FileTypeComboBox->setGeometry(74, row2 + 1, 114, 26);
    typeLabel->setBuddy(FileTypeComboBox);
    SaveButton = MakeButton("save", "Save", "Save the checked tracks", 200, row2);
    EditButton = MakeButton("edit", "Edit", "Open the checked tracks in the editor", 294, row2);
    BurnCDButton = MakeButton("burn-cd", "Burn CD", "Burn the checked tracks to CD", 388, row2);

    ProgressBar = new QProgressBar(client);
    ProgressBar->setRange(0, 100);
    ProgressBar->setGeometry(12, 387, 440, 20);
    ProgressBar->hide();
    ProgressBar->setEnabled(false);
    AbortButton = MakeButton("abort", "Abort", "Stop the running job", 460, 383);

    BrowseButton->SetEnabled(true);
    FileTypeComboBox->setEnabled(false);

    AnalyzeTimer = new QTimer(this);
    AnalyzeTimer->setInterval(100);
    AudioTimer = new QTimer(this);
    AudioTimer->setInterval(1000);
    SaveFileTimer = new QTimer(this);
    SaveFileTimer->setInterval(100);
}

void TMainForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    OpenMenuItem = file->addAction("&Open...");
    OpenMenuItem->setShortcut(QKeySequence("Ctrl+O"));
    SaveMenuItem = file->addAction("&Save");
    SaveMenuItem->setShortcut(QKeySequence("Ctrl+S"));
    BurnMenuItem = file->addAction("&Burn CD");
    EditMenuItem = file->addAction("Edit");
    EditMenuItem->setShortcut(QKeySequence("Ctrl+E"));
    file->addSeparator();
    PreferencesMenuItem = file->addAction("&Preferences...");
    ExitMenuItem = file->addAction("E&xit");
    ExitMenuItem->setShortcut(QKeySequence("Alt+X"));
    for (QAction* item : {SaveMenuItem, BurnMenuItem, EditMenuItem}) item->setEnabled(false);

    QMenu* edit = menuBar()->addMenu("&Edit");
    SelectAllMenuItem = edit->addAction("Select &All");
    SelectAllMenuItem->setShortcut(QKeySequence("Ctrl+A"));
    SelectNoneMenuitem = edit->addAction("Select &None");
    SelectNoneMenuitem->setShortcut(QKeySequence("Ctrl+D"));
    SelectAllMenuItem->setEnabled(false);
    SelectNoneMenuitem->setEnabled(false);

    QMenu* help = menuBar()->addMenu("&Help");
    HelpTopicsItem = help->addAction("Help &Topics");
    help->addSeparator();
    AboutQuillonMenuItem = help->addAction("&About Quillon");
}

void TMainForm::CreateStatusBar() {
    const int widths[] = {283, 70, 60, 60, 60};
    for (int i = 0; i < 5; ++i) {
        StatusPanels[i] = new QLabel(this);
        StatusPanels[i]->setFixedWidth(widths[i] - (i == 0 ? 0 : 2));
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        StatusPanels[i]->setIndent(3);
        statusBar()->addWidget(StatusPanels[i]);
    }
    statusBar()->setSizeGripEnabled(false);
}

void TMainForm::ConnectHandlers() {
    BrowseButton->OnClick = [this] { BrowseButtonClick(); };
    AnalyzeButton->OnClick = [this] { analyzeButtonClick(); };
    AbortButton->OnClick = [this] { AbortButtonClick(); };
    SplitButton->OnClick = [this] { SplitButtonClick(); };
    MergeButton->OnClick = [this] { MergeButtonClick(); };
    PreViewTrackStartButton->OnClick = [this] { PreViewTrackStartButtonClick(); };
    PreViewTrackEndButton->OnClick = [this] { PreViewTrackEndButtonClick(); };
    StopPreviewButton->OnClick = [this] { StopPreviewButtonClick(); };
    SaveButton->OnClick = [this] { SaveButtonClick(); };
    EditButton->OnClick = [this] { EditButtonClick(); };
    BurnCDButton->OnClick = [this] { BurnCDButtonClick(); };
    connect(EditMenuItem, &QAction::triggered, this, [this] { EditButtonClick(); });
    connect(PreferencesMenuItem, &QAction::triggered, this, [this] { PreferencesMenuItemClick(); });
    connect(BurnMenuItem, &QAction::triggered, this, [this] { BurnCDButtonClick(); });
    connect(SaveMenuItem, &QAction::triggered, this, [this] { SaveMenuItemClick(); });
    connect(SaveFileTimer, &QTimer::timeout, this, [this] { SaveFileTimerTimer(); });
    connect(AudioTimer, &QTimer::timeout, this, [this] { AudioTimerTimer(); });
    connect(FileNameEdit, &QLineEdit::textChanged, this, [this] { FileNameEditChange(); });
    connect(AnalyzeTimer, &QTimer::timeout, this, [this] { AnalyzeTimerTimer(); });

    connect(TrackListView, &QTreeWidget::itemClicked, this, [this] { TrackListViewClick(); });
    connect(TrackListView, &QTreeWidget::itemChanged, this, [this] { TrackListViewChange(); });
    connect(TrackListView, &QTreeWidget::itemSelectionChanged, this, [this] { TrackListViewChange(); });
    connect(TrackListView, &TTrackListView::exited, this, [this] { TrackListViewExit(); });
    connect(TrackListView, &TTrackListView::nameEdited, this,
            [this](int row, const QString& text) { TrackListViewEdited(row, text); });

    connect(OpenMenuItem, &QAction::triggered, this, [this] { OpenMenuItemClick(); });
    connect(ExitMenuItem, &QAction::triggered, this, [this] { ExitMenuItemClick(); });
    connect(SelectAllMenuItem, &QAction::triggered, this, [this] { SelectAllMenuItemClick(); });
    connect(SelectNoneMenuitem, &QAction::triggered, this, [this] { SelectNoneMenuitemClick(); });
    connect(HelpTopicsItem, &QAction::triggered, this, [this] { HelpTopicsItemClick(); });
    connect(AboutQuillonMenuItem, &QAction::triggered, this, [this] { AboutQuillonMenuItemClick(); });
}

}  // namespace quillon::app
