#pragma once
// The Preferences dialog: where saved tracks go, the MP3 codec and bit rate,
// the FLAC compression level, MP3 tags, which wave layouts open, the two silence thresholds and the length of the
// end preview. It reads the settings file every time it is shown and writes it
// on OK and Apply only; the wave layouts take effect there too.

#include <QDialog>

#include <functional>
#include <string>

#include "export/mp3/BitRateLists.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace quillon::engine {
class WindowSeam;
}

namespace quillon::app {

class UserDialogs;

// Two arrows, up and down; holding one repeats its click after 400 ms, then
// every 100 ms.
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent);
    QToolButton* Up;
    QToolButton* Down;
};

class TPreferencesForm : public QDialog {
    Q_OBJECT
public:
    // source names the main window's file, for the bit-rate lists; help opens topic 10.
    TPreferencesForm(QWidget* parent, engine::WindowSeam& seam, UserDialogs& dialogs,
                     std::function<std::string()> source, std::function<void()> help);

    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* ApplyButton;
    QPushButton* HelpButton;
    QTabWidget* PreferencesPageControl;
    QWidget* GeneralTabSheet;
    QWidget* TrackSplittingTabSheet;
    QRadioButton* outPutFilePathRadioButton1;
    QRadioButton* outPutFilePathRadioButton2;
    QLineEdit* outPutFilePathEdit;
    QPushButton* BrowseButton;
    QComboBox* preferencesCodecComboBox;
    QComboBox* preferencesBitRateComboBox;
    QComboBox* FlacLevelComboBox;  // row n is level n
    QCheckBox* WideFormatsCheckBox;
    QCheckBox* Mp3TagsCheckBox;
    QLineEdit* SilenceAmpEdit;
    TSpinButton* SilenceAmplitudeSpinButton;
    QLineEdit* SilenceDurationEdit;
    TSpinButton* SilenceDurationSpinButton;
    QLineEdit* PreViewEdit;
    TSpinButton* previewspinButton;
    QPushButton* ResetButton;

    int SilenceAmplitudeValue = 10;
    int SilenceDurationValue = 3;
    int PreviewSeconds = 5;

    void FormShow();
    void LoadPreferences();
    // Puts a stored number into edit whole, for its change rule to clamp.
    void ShowStoredNumber(QLineEdit* edit, int value);
    // Saved; Refused with a numbered message; Raised with a raised error
    // (shown). Keys written before a refusal stay written; the dialog stays open.
    enum class SaveOutcome { Saved, Refused, Raised };
    SaveOutcome SavePreferences(bool close);
    void okButtonClick();
    void ApplyButtonClick();
    void ResetButtonClick();
    void BrowseButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MakeGeneralPage();
    QGroupBox* MakeFlacGroup(QWidget* page);
    QGroupBox* MakeMp3TagsGroup(QWidget* page);
    // A group of one check box, which enables Apply when toggled.
    QGroupBox* MakeCheckBoxGroup(QWidget* page, const QString& title, const QString& caption, const QString& tip,
                                 QCheckBox*& box);
    QWidget* MakeTrackSplittingPage();
    void FillBitRates();
    void NumberEditChange(QLineEdit* edit, int& value, int maximum, const char* error);
    void Spin(QLineEdit* edit, int& value, int maximum, int step, bool writeUnchanged);

    engine::WindowSeam& seam_;
    UserDialogs& dialogs_;
    std::function<std::string()> source_;
    std::function<void()> help_;
    engine::BitRateLists lists_;
    bool browsingForFolder_ = false;
};

}  // namespace quillon::app
