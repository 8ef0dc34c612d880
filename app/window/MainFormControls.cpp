#include "app/window/MainFormControls.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "app/window/FitToText.h"
#include "app/window/SimpleBmpButton.h"
#include "app/window/TrackListView.h"

namespace quillon::app {
namespace {

constexpr int kClientWidth = 560;
constexpr int kClientHeight = 430;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;

// The picture for the screen: drawn at twice the size where a point is more
// than one pixel, so that it stays sharp instead of being scaled up.
QPixmap LoadArtwork(const char* key, const char* state) {
    static const QString folder = QString::fromStdString(engine::DataFolder("artwork"));
    const QString name = folder + QString("%1-%2").arg(key, state);
    if (qApp->devicePixelRatio() > 1) {
        QPixmap sharp(name + "@2x.png");
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2);
            return sharp;
        }
    }
    return QPixmap(name + ".png");
}

TSimpleBmpButton* MakeButton(QWidget* client, const char* artwork, const QString& label, const QString& tip, int x,
                             int y) {
    auto* button = new TSimpleBmpButton(client);
    button->setObjectName(QString(artwork));
    button->setAccessibleName(label);
    button->setToolTip(tip);
    button->setGeometry(x, y, kButtonWidth, kButtonHeight);
    button->SetUpImage(LoadArtwork(artwork, "up"));
    button->SetDownImage(LoadArtwork(artwork, "down"));
    button->SetDisImage(LoadArtwork(artwork, "disabled"));
    return button;
}

// Lets the menu's Select All (Ctrl+A) win over the file name field's own
// select-all while the menu item is on, as the menu's other short-cuts do.
class SelectAllGoesToTheMenu final : public QObject {
public:
    SelectAllGoesToTheMenu(QObject* parent, QAction* const& selectAll) : QObject(parent), selectAll_(selectAll) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        // Filtered without being accepted, the override leaves the key to the short-cut.
        return event->type() == QEvent::ShortcutOverride && selectAll_ != nullptr && selectAll_->isEnabled() &&
               static_cast<QKeyEvent*>(event)->matches(QKeySequence::SelectAll);
    }

private:
    QAction* const& selectAll_;  // made after the field
};

// The width the message panel needs for the longest of the program's own messages.
int MessagePanelWidth(const QLabel& panel) {
    int widest = 0;
    for (int message : {engine::MsgAnalyzingCompleted, engine::MsgProcessCompleted, engine::MsgAbortedByUser,
                        engine::MsgPreviewing, engine::MsgSplitting, engine::MsgMerging, engine::MsgLoadingEditUi,
                        engine::MsgLoadingBurnUi, engine::MsgLoadingCompanion}) {
        widest = std::max(widest,
                          panel.fontMetrics().horizontalAdvance(QString::fromStdString(engine::MessageText(message))));
    }
    widest = std::max(widest, panel.fontMetrics().horizontalAdvance(engine::text::kMergeCompleted));
    return widest + panel.width() - panel.contentsRect().width() + 2 * panel.indent();
}

}  // namespace

void MainFormControls::CreateControls(QMainWindow& window) {
    window_ = &window;
    CreateClientArea(window);
    CreateMenus(window);
    CreateStatusBar(window);
}

void MainFormControls::CreateClientArea(QMainWindow& window) {
    window.setCentralWidget(new QWidget(&window));
    QWidget* client = window.centralWidget();

    auto* fileLabel = new QLabel("File Name :", client);
    fileLabel->setGeometry(12, 13, 70, 26);
    FileNameEdit = new QLineEdit(client);
    FileNameEdit->setGeometry(84, 13, 272, 26);
    // A file dropped here is opened by the window, not pasted into the path.
    FileNameEdit->setAcceptDrops(false);
    FileNameEdit->installEventFilter(new SelectAllGoesToTheMenu(FileNameEdit, SelectAllMenuItem));
    fileLabel->setBuddy(FileNameEdit);
    BrowseButton = MakeButton(client, "browse", "Browse", "Choose a wave file", 364, 12);
    AnalyzeButton = MakeButton(client, "analyze", "Analyze", "Find the tracks of the wave file", 460, 12);

    TrackListView = new TTrackListView(client);
    TrackListView->setGeometry(12, 50, 536, 252);

    const int row1 = 312;
    SplitButton = MakeButton(client, "split", "Split", "Split the checked track at a time", 12, row1);
    MergeButton = MakeButton(client, "merge", "Merge", "Merge two neighbouring checked tracks", 106, row1);
    PreViewTrackStartButton = MakeButton(client, "preview-start", "Play", "Preview the whole track", 200, row1);
    PreViewTrackEndButton = MakeButton(client, "preview-end", "Play End", "Preview the end of the track", 294, row1);
    StopPreviewButton = MakeButton(client, "stop-preview", "Stop", "Stop the preview", 388, row1);

    const int row2 = 348;
    auto* typeLabel = new QLabel("Save as :", client);
    typeLabel->setGeometry(12, row2 + 1, 60, 26);
    FileTypeComboBox = new QComboBox(client);
    FileTypeComboBox->addItems({"Wave", "MP3", "FLAC"});  // SaveType's order
    FileTypeComboBox->setGeometry(74, row2 + 1, 114, 26);
    typeLabel->setBuddy(FileTypeComboBox);
    SaveButton = MakeButton(client, "save", "Save", "Save the checked tracks", 200, row2);
    EditButton = MakeButton(client, "edit", "Edit", "Open the checked tracks in the editor", 294, row2);
    BurnCDButton = MakeButton(client, "burn-cd", "Burn CD", "Burn the checked tracks to CD", 388, row2);

    ProgressBar = new QProgressBar(client);
    ProgressBar->setRange(0, 100);
    ProgressBar->setGeometry(12, 387, 440, 20);
    ProgressBar->hide();
    ProgressBar->setEnabled(false);
    AbortButton = MakeButton(client, "abort", "Abort", "Stop the running job", 460, 383);
    // The track list starts empty: no job to abort.
    AbortButton->hide();

    BrowseButton->SetEnabled(true);
    FileTypeComboBox->setEnabled(false);

    // Tab runs through the controls in reading order.
    QWidget* order[] = {FileNameEdit,
                        BrowseButton,
                        AnalyzeButton,
                        TrackListView,
                        SplitButton,
                        MergeButton,
                        PreViewTrackStartButton,
                        PreViewTrackEndButton,
                        StopPreviewButton,
                        FileTypeComboBox,
                        SaveButton,
                        EditButton,
                        BurnCDButton,
                        AbortButton};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    // A larger font widens the two labels; the field beside each gives up
    // what they take, so the buttons stay in their columns.
    for (auto [label, field] : {std::pair<QLabel*, QWidget*>{fileLabel, FileNameEdit}, {typeLabel, FileTypeComboBox}}) {
        const int growth = WidthForText(*label) - label->width();
        if (growth <= 0) continue;
        label->resize(label->width() + growth, label->height());
        const int width = std::max(field->width() - growth, WidthForText(*field));
        field->setGeometry(field->x() + growth, field->y(), width, field->height());
    }
}

void MainFormControls::CreateMenus(QMainWindow& window) {
    QMenu* file = window.menuBar()->addMenu("&File");
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
    // Alt+X first, as the menu shows it; Ctrl+Q as other programs quit.
    ExitMenuItem->setShortcuts({QKeySequence("Alt+X"), QKeySequence("Ctrl+Q")});
    for (QAction* item : {SaveMenuItem, BurnMenuItem, EditMenuItem}) item->setEnabled(false);
    // New items follow the ones users know, so these keep their places.
    file->addSeparator();
    ImportMenuItem = file->addAction("&Import Track Names…");

    QMenu* edit = EditMenu = window.menuBar()->addMenu("&Edit");
    SelectAllMenuItem = edit->addAction("Select &All");
    SelectAllMenuItem->setShortcut(QKeySequence("Ctrl+A"));
    SelectNoneMenuitem = edit->addAction("Select &None");
    SelectNoneMenuitem->setShortcut(QKeySequence("Ctrl+D"));
    SelectAllMenuItem->setEnabled(false);
    SelectNoneMenuitem->setEnabled(false);
    edit->addSeparator();
    // The names follow the history ("Undo Split"); a name editor that is open
    // takes the keys for its own text.
    UndoMenuItem = edit->addAction("&Undo");
    UndoMenuItem->setShortcut(QKeySequence::Undo);
    RedoMenuItem = edit->addAction("&Redo");
    RedoMenuItem->setShortcut(QKeySequence("Ctrl+Shift+Z"));
    for (QAction* item : {UndoMenuItem, RedoMenuItem}) item->setEnabled(false);
    edit->addSeparator();
    PasteMenuItem = edit->addAction("&Paste Track Names");
    PasteMenuItem->setShortcut(QKeySequence::Paste);
    PasteMenuItem->setShortcutContext(Qt::WidgetShortcut);
    TrackListView->addAction(PasteMenuItem);
    DetailsMenuItem = edit->addAction("Recording &Details…");
    for (QAction* item : {ImportMenuItem, PasteMenuItem, DetailsMenuItem}) item->setEnabled(false);

    QMenu* view = window.menuBar()->addMenu("&View");
    OverviewMenuItem = view->addAction("&Overview");
    OverviewMenuItem->setShortcut(QKeySequence("Ctrl+L"));

    QMenu* help = window.menuBar()->addMenu("&Help");
    HelpTopicsItem = help->addAction("Help &Topics");
    HelpTopicsItem->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    AboutQuillonMenuItem = help->addAction("&About Quillon");
    CreateTrackMenu(window);
}

void MainFormControls::CreateTrackMenu(QMainWindow& window) {
    QMenu* track = window.menuBar()->addMenu("&Track");
    // Not Space, which checks the list's row; not Ctrl+E, which is File > Edit.
    const struct {
        QAction*& item;
        const char* caption;
        const char* keys;
        TSimpleBmpButton* button;
    } items[] = {{PlayMenuItem, "&Play", "Ctrl+P", PreViewTrackStartButton},
                 {PlayEndMenuItem, "Play &End", "Ctrl+Shift+P", PreViewTrackEndButton},
                 {StopMenuItem, "&Stop", "Ctrl+.", StopPreviewButton},
                 {SplitMenuItem, "Spli&t...", "Ctrl+T", SplitButton},
                 {MergeMenuItem, "&Merge", "Ctrl+M", MergeButton}};
    for (const auto& entry : items) {
        entry.item = track->addAction(entry.caption);
        entry.item->setShortcut(QKeySequence(entry.keys));
        entry.item->setEnabled(entry.button->Enabled());
        TSimpleBmpButton* button = entry.button;
        QObject::connect(button, &TSimpleBmpButton::enabledChanged, entry.item, &QAction::setEnabled);
        // The button's own click, so the item does whatever the button does.
        QObject::connect(entry.item, &QAction::triggered, button, [button] { button->Click(); });
    }
}

void MainFormControls::CreateStatusBar(QMainWindow& window) {
    for (int i = 0; i < 5; ++i) {
        StatusPanels[i] = new QLabel(&window);
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        StatusPanels[i]->setIndent(3);
        window.statusBar()->addWidget(StatusPanels[i]);
    }
    window.statusBar()->setSizeGripEnabled(false);
    StatusPanels[0]->clear();
    FitStatusPanels();
}

void MainFormControls::FitStatusPanels() {
    constexpr int kWidths[] = {283, 70, 60, 60, 60};
    constexpr int kSpacing = 6 * 4 + 2;  // the status bar's gaps between and before its panels
    // Each format panel is at least its width and as wide as its text needs.
    int formats = 0;
    for (std::size_t i = 1; i < StatusPanels.size(); ++i) {
        const int width = std::max(kWidths[i], StatusPanels[i]->sizeHint().width());
        StatusPanels[i]->setFixedWidth(width);
        formats += width;
    }
    // The message panel gives them what it can spare of its own width, down
    // to what the program's own messages need whole (a path in one may still
    // be cut); only beyond that does the window widen.
    QLabel& messages = *StatusPanels[0];
    const int spare = kClientWidth - kSpacing - formats;
    const int message = std::max(MessagePanelWidth(messages), std::min(kWidths[0], spare));
    messages.setFixedWidth(message);
    if (window_ != nullptr) {
        window_->setFixedSize(std::max(kClientWidth, message + formats + kSpacing),
                              window_->menuBar()->sizeHint().height() + kClientHeight);
    }
}

}  // namespace quillon::app
