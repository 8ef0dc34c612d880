#pragma once
// The main window's controls as named members, and their making: positions
// and sizes in the client area, the menus and the five status panels. The
// form inherits them, so every feature reaches a control by its name.

#include <QString>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QProgressBar;

namespace quillon::app {

class TSimpleBmpButton;
class TTrackListView;

struct MainFormControls {
    QLineEdit* FileNameEdit = nullptr;
    TSimpleBmpButton* BrowseButton = nullptr;
    TSimpleBmpButton* AnalyzeButton = nullptr;
    TTrackListView* TrackListView = nullptr;
    TSimpleBmpButton* SplitButton = nullptr;
    TSimpleBmpButton* MergeButton = nullptr;
    TSimpleBmpButton* PreViewTrackStartButton = nullptr;
    TSimpleBmpButton* PreViewTrackEndButton = nullptr;
    TSimpleBmpButton* StopPreviewButton = nullptr;
    QComboBox* FileTypeComboBox = nullptr;
    TSimpleBmpButton* SaveButton = nullptr;
    TSimpleBmpButton* EditButton = nullptr;
    TSimpleBmpButton* BurnCDButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    TSimpleBmpButton* AbortButton = nullptr;
    std::array<QLabel*, 5> StatusPanels{};
    QAction* OpenMenuItem = nullptr;
    QAction* SaveMenuItem = nullptr;
    QAction* BurnMenuItem = nullptr;
    QAction* EditMenuItem = nullptr;
    QAction* PreferencesMenuItem = nullptr;
    QAction* ExitMenuItem = nullptr;
    QAction* SelectAllMenuItem = nullptr;
    QAction* SelectNoneMenuitem = nullptr;
    // The track names and the recording's details: on while a list is shown and no job runs.
    QAction* ImportMenuItem = nullptr;
    QAction* PasteMenuItem = nullptr;  // its Ctrl+V acts in the track list only, not in its name editor
    QAction* DetailsMenuItem = nullptr;
    QMenu* EditMenu = nullptr;
    QAction* UndoMenuItem = nullptr;
    QAction* RedoMenuItem = nullptr;
    QAction* OverviewMenuItem = nullptr;
    QAction* HelpTopicsItem = nullptr;
    QAction* AboutQuillonMenuItem = nullptr;
    // The Track menu: each item is its button's second way, on exactly when the button is.
    QAction* PlayMenuItem = nullptr;
    QAction* PlayEndMenuItem = nullptr;
    QAction* StopMenuItem = nullptr;
    QAction* SplitMenuItem = nullptr;
    QAction* MergeMenuItem = nullptr;

protected:
    // Makes every control in window, in its first state, and fixes the window's size.
    void CreateControls(QMainWindow& window);
    // The status panels' widths: each format panel at least its own width and
    // as wide as its text needs, the message panel giving them room down to
    // what its messages need before the window widens.
    void FitStatusPanels();

private:
    void CreateClientArea(QMainWindow& window);
    QMainWindow* window_ = nullptr;
    void CreateMenus(QMainWindow& window);
    void CreateTrackMenu(QMainWindow& window);
    void CreateStatusBar(QMainWindow& window);
};

}  // namespace quillon::app
