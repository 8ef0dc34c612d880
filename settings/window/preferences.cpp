#include "settings/window/preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

#include "analysis/WaveRead.h"
#include "app/ErrorCodes.h"
#include "app/Util.h"
#include "app/window/FitToText.h"
#include "app/window/UserDialogs.h"
#include "export/window/SaveAsMp3.h"
#include "platform/IniFile.h"
#include "platform/SpecialFolders.h"
#include "settings/Settings.h"

namespace quillon::app {
namespace {

// An integer after optional leading blanks, the rest all digits (one sign allowed).
std::optional<int> ReadInteger(const QString& text) {
    QString t = text;
    while (t.startsWith(' ')) t.remove(0, 1);
    bool ok = false;
    const int value = t.toInt(&ok, 10);
    if (!ok || t.isEmpty() || t.contains(' ')) return std::nullopt;
    return value;
}

}  // namespace

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
    Up = new QToolButton(this);
    Down = new QToolButton(this);
    Up->setArrowType(Qt::UpArrow);
    Down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {Up, Down}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(100);
        b->setFixedSize(18, 12);
        b->setFocusPolicy(Qt::NoFocus);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Up);
    layout->addWidget(Down);
}

TPreferencesForm::TPreferencesForm(QWidget* parent, engine::WindowSeam& seam, UserDialogs& dialogs,
                                   std::function<std::string()> source, std::function<void()> help)
    : QDialog(parent), seam_(seam), dialogs_(dialogs), source_(std::move(source)), help_(std::move(help)) {
    setObjectName("PreferencesForm");
    setWindowTitle("Preferences");
    PreferencesPageControl = new QTabWidget(this);
    GeneralTabSheet = MakeGeneralPage();
    TrackSplittingTabSheet = MakeTrackSplittingPage();
    PreferencesPageControl->addTab(GeneralTabSheet, "&General");
    PreferencesPageControl->addTab(TrackSplittingTabSheet, "T&rack Splitting");
    PreferencesPageControl->setCurrentIndex(0);

    OKButton = new QPushButton("Ok", this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    ApplyButton = new QPushButton("&Apply", this);
    HelpButton = new QPushButton("&Help", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {OKButton, CancelButton, ApplyButton, HelpButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PreferencesPageControl);
    layout->addLayout(buttons);
    setFixedSize(470, 300);

    connect(OKButton, &QPushButton::clicked, this, [this] { okButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        if (!browsingForFolder_) reject();
    });
    connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] {
        if (help_) help_();
    });
}

QWidget* TPreferencesForm::MakeGeneralPage() {
    auto* page = new QWidget;
    auto* location = new QGroupBox("[ Output File Location ]", page);
    outPutFilePathRadioButton1 = new QRadioButton("Same as So&urce File", location);
    outPutFilePathRadioButton2 = new QRadioButton(location);
    outPutFilePathEdit = new QLineEdit(location);
    outPutFilePathEdit->setFocusPolicy(Qt::ClickFocus);
    BrowseButton = new QPushButton("...", location);
    BrowseButton->setFixedWidth(32);
    auto* path = new QHBoxLayout;
    path->addWidget(outPutFilePathRadioButton2);
    path->addWidget(outPutFilePathEdit, 1);
    path->addWidget(BrowseButton);
    auto* locationLayout = new QVBoxLayout(location);
    locationLayout->addWidget(outPutFilePathRadioButton1);
    locationLayout->addLayout(path);

    auto* mp3 = new QGroupBox("[ Save as MP3 Settings ]", page);
    auto* codecLabel = new QLabel("MP3 C&odec :", mp3);
    preferencesCodecComboBox = new QComboBox(mp3);
    preferencesCodecComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    codecLabel->setBuddy(preferencesCodecComboBox);
    auto* rateLabel = new QLabel("MP3 &Bit Rate :", mp3);
    preferencesBitRateComboBox = new QComboBox(mp3);
    rateLabel->setBuddy(preferencesBitRateComboBox);
    auto* mp3Layout = new QHBoxLayout(mp3);
    mp3Layout->addWidget(codecLabel);
    mp3Layout->addWidget(preferencesCodecComboBox, 1);
    mp3Layout->addSpacing(12);
    mp3Layout->addWidget(rateLabel);
    mp3Layout->addWidget(preferencesBitRateComboBox);

    QGroupBox* flac = MakeFlacGroup(page);
    QGroupBox* tags = MakeMp3TagsGroup(page);

    QGroupBox* formats = MakeCheckBoxGroup(page, "[ Wave File Formats ]",
                                           "Open 24-bit, 32-bit and floating-point recordings",
                                           "Also opens extensible and RF64/BW64 wave files. When it is off, Quillon "
                                           "opens PCM of up to 16 bits, mono or stereo.",
                                           WideFormatsCheckBox);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(location);
    layout->addWidget(mp3);
    layout->addWidget(flac);
    layout->addWidget(tags);
    layout->addWidget(formats);
    layout->addStretch();

    connect(outPutFilePathRadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        outPutFilePathEdit->setEnabled(false);
        BrowseButton->setEnabled(false);
        ApplyButton->setEnabled(true);
    });
    connect(outPutFilePathRadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        outPutFilePathEdit->setEnabled(true);
        BrowseButton->setEnabled(true);
        ApplyButton->setEnabled(true);
    });
    connect(outPutFilePathEdit, &QLineEdit::textChanged, this, [this] { ApplyButton->setEnabled(true); });
    connect(outPutFilePathEdit, &QLineEdit::editingFinished, this, [this] { ApplyButton->setEnabled(true); });
    connect(BrowseButton, &QPushButton::clicked, this, [this] { BrowseButtonClick(); });
    connect(preferencesCodecComboBox, &QComboBox::activated, this, [this] {
        FillBitRates();
        ApplyButton->setEnabled(true);
    });
    connect(preferencesBitRateComboBox, &QComboBox::activated, this, [this] { ApplyButton->setEnabled(true); });
    return page;
}

QGroupBox* TPreferencesForm::MakeFlacGroup(QWidget* page) {
    auto* flac = new QGroupBox("[ Save as FLAC Settings ]", page);
    auto* levelLabel = new QLabel("FLAC Com&pression Level :", flac);
    FlacLevelComboBox = new QComboBox(flac);
    for (int level = 0; level <= engine::keys::kFlacLevelMax; ++level) {
        QString text = QString::number(level);
        if (level == 0) text += " (fastest)";
        if (level == engine::keys::FlacLevel.defaultValue) text += " (default)";
        if (level == engine::keys::kFlacLevelMax) text += " (smallest)";
        FlacLevelComboBox->addItem(text);
    }
    FlacLevelComboBox->setToolTip(
        "Every level keeps the samples exactly; a higher one takes longer for a smaller file.");
    // Its own size hint falls a few pixels short of its longest entry at larger fonts.
    FlacLevelComboBox->setMinimumWidth(WidthForText(*FlacLevelComboBox));
    levelLabel->setBuddy(FlacLevelComboBox);
    auto* flacLayout = new QHBoxLayout(flac);
    flacLayout->addWidget(levelLabel);
    flacLayout->addWidget(FlacLevelComboBox);
    flacLayout->addStretch();
    connect(FlacLevelComboBox, &QComboBox::activated, this, [this] { ApplyButton->setEnabled(true); });
    return flac;
}

QGroupBox* TPreferencesForm::MakeMp3TagsGroup(QWidget* page) {
    return MakeCheckBoxGroup(page, "[ MP3 Tags ]", "Write tags into MP3 files",
                             "Each saved MP3 file gets the track's title and number and the recording's artist, album, "
                             "year and genre (Edit > Recording Details). FLAC files always carry them.",
                             Mp3TagsCheckBox);
}

QGroupBox* TPreferencesForm::MakeCheckBoxGroup(QWidget* page, const QString& title, const QString& caption,
                                               const QString& tip, QCheckBox*& box) {
    auto* group = new QGroupBox(title, page);
    box = new QCheckBox(caption, group);
    box->setToolTip(tip);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(box);
    connect(box, &QCheckBox::toggled, this, [this] { ApplyButton->setEnabled(true); });
    return group;
}

QWidget* TPreferencesForm::MakeTrackSplittingPage() {
    auto* page = new QWidget;
    auto* criteria = new QGroupBox("[ Track Splitting Criteria ]", page);
    auto* grid = new QGridLayout(criteria);
    const auto row = [this](QGridLayout* g, int r, const char* caption, QLineEdit*& edit, TSpinButton*& spin,
                            int maxLength, QWidget* owner) {
        auto* label = new QLabel(caption, owner);
        label->setWordWrap(true);
        edit = new QLineEdit(owner);
        edit->setMaxLength(maxLength);
        edit->setFixedWidth(44);
        edit->setAlignment(Qt::AlignRight);
        label->setBuddy(edit);
        spin = new TSpinButton(owner);
        g->addWidget(label, r, 0);
        g->addWidget(edit, r, 1);
        g->addWidget(spin, r, 2);
    };
    row(grid, 0, "Si&lence Amplitude (% of Maximum)", SilenceAmpEdit, SilenceAmplitudeSpinButton, 3, criteria);
    row(grid, 1, "Silence &Duration (in Sec)", SilenceDurationEdit, SilenceDurationSpinButton, 3, criteria);
    grid->setColumnStretch(0, 1);
    auto* preview = new QGroupBox("[ Preview Tracks ]", page);
    auto* previewGrid = new QGridLayout(preview);
    row(previewGrid, 0, "&Select the number of seconds to preview when you press the Preview Track End button",
        PreViewEdit, previewspinButton, 2, preview);
    previewGrid->setColumnStretch(0, 1);
    ResetButton = new QPushButton("R&eset", page);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(criteria);
    layout->addWidget(preview);
    layout->addWidget(ResetButton, 0, Qt::AlignRight);

    static const char* kAmplitudeError =
        "Error: Invalid Silence Amplitude. Either it is a non number or exceeding limit.";
    static const char* kDurationError =
        "Error: Invalid Silence Duration. Either it is a non number or exceeding limit.";
    static const char* kPreviewError = "Error: Invalid Preview End Time. Either it is a non number or exceeding limit.";
    connect(SilenceAmpEdit, &QLineEdit::textChanged, this,
            [this] { NumberEditChange(SilenceAmpEdit, SilenceAmplitudeValue, 100, kAmplitudeError); });
    connect(SilenceDurationEdit, &QLineEdit::textChanged, this,
            [this] { NumberEditChange(SilenceDurationEdit, SilenceDurationValue, 100, kDurationError); });
    connect(PreViewEdit, &QLineEdit::textChanged, this,
            [this] { NumberEditChange(PreViewEdit, PreviewSeconds, 99, kPreviewError); });
    connect(SilenceAmplitudeSpinButton->Up, &QToolButton::clicked, this,
            [this] { Spin(SilenceAmpEdit, SilenceAmplitudeValue, 100, +1, true); });
    connect(SilenceAmplitudeSpinButton->Down, &QToolButton::clicked, this,
            [this] { Spin(SilenceAmpEdit, SilenceAmplitudeValue, 100, -1, false); });
    connect(SilenceDurationSpinButton->Up, &QToolButton::clicked, this,
            [this] { Spin(SilenceDurationEdit, SilenceDurationValue, 100, +1, true); });
    connect(SilenceDurationSpinButton->Down, &QToolButton::clicked, this,
            [this] { Spin(SilenceDurationEdit, SilenceDurationValue, 100, -1, false); });
    connect(previewspinButton->Up, &QToolButton::clicked, this,
            [this] { Spin(PreViewEdit, PreviewSeconds, 99, +1, true); });
    connect(previewspinButton->Down, &QToolButton::clicked, this,
            [this] { Spin(PreViewEdit, PreviewSeconds, 99, -1, true); });
    connect(ResetButton, &QPushButton::clicked, this, [this] { ResetButtonClick(); });
    return page;
}

void TPreferencesForm::showEvent(QShowEvent* event) {
    // Only a showing by the program loads the file; the window system shows
    // the dialog again when it comes back from being minimised, and what the
    // user typed must survive that.
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TPreferencesForm::FormShow() {
    lists_ = FillCodecList(*preferencesCodecComboBox, source_ ? source_() : std::string(), seam_);
    LoadPreferences();
    ApplyButton->setEnabled(false);
    // Its size, or what its texts need at a larger font.
    setFixedSize(QSize(470, 300).expandedTo(sizeHint()));
}

void TPreferencesForm::FillBitRates() {
    FillBitRateList(*preferencesBitRateComboBox, *preferencesCodecComboBox, lists_);
}

void TPreferencesForm::LoadPreferences() {
    const engine::SettingsFile settings;
    const QString codec = QString::fromStdString(settings.Read(engine::keys::CodecName));
    const int codecAt = codec.isEmpty() ? -1 : preferencesCodecComboBox->findText(codec, Qt::MatchFixedString);
    preferencesCodecComboBox->setCurrentIndex(codecAt >= 0 ? codecAt : 0);
    FillBitRates();
    const int rate = settings.ReadInteger(engine::keys::BitRate, -1);
    const int rateAt = rate == -1 ? 0 : preferencesBitRateComboBox->findText(QString::number(rate));
    preferencesBitRateComboBox->setCurrentIndex(rateAt >= 0 ? rateAt : 0);

    const int preview = settings.ReadInteger(engine::keys::PreViewEndTime, -1);
    PreviewSeconds = preview == -1 ? 5 : preview;
    ShowStoredNumber(PreViewEdit, PreviewSeconds);

    // Unchecking the checked button of an exclusive pair does nothing: check the other one.
    const bool same = settings.Read(engine::keys::SameAsSourceFile);
    (same ? outPutFilePathRadioButton1 : outPutFilePathRadioButton2)->setChecked(true);
    std::string folder = settings.Read(engine::keys::OutputFilePath);
    if (folder.empty()) folder = engine::GetFallbackOutputFolder();
    outPutFilePathEdit->setText(QString::fromStdString(engine::AddTrailingBackslash(folder)));

    FlacLevelComboBox->setCurrentIndex(settings.ReadInRange(engine::keys::FlacLevel, 0, engine::keys::kFlacLevelMax));
    WideFormatsCheckBox->setChecked(settings.Read(engine::keys::WideFormats));
    Mp3TagsCheckBox->setChecked(settings.Read(engine::keys::WriteMp3Tags));
    ShowStoredNumber(SilenceAmpEdit, settings.Read(engine::keys::SilenceAmplitude));
    ShowStoredNumber(SilenceDurationEdit, settings.Read(engine::keys::SilenceDuration));
}

void TPreferencesForm::ShowStoredNumber(QLineEdit* edit, int value) {
    // The whole number goes in, so the change rule clamps it to the field's
    // range; cut to the field's length, 150 would read as 15.
    const int length = edit->maxLength();
    edit->setMaxLength(32767);
    edit->setText(QString::number(value));
    edit->setMaxLength(length);
}

void TPreferencesForm::NumberEditChange(QLineEdit* edit, int& value, int maximum, const char* error) {
    if (edit->text().isEmpty()) {
        value = 1;
        edit->setText("1");
        return;
    }
    const std::optional<int> number = ReadInteger(edit->text());
    if (!number) {
        engine::ShowRaisedError(seam_, engine::RaisedError(error));
        return;
    }
    value = *number;
    if (value > maximum) edit->setText(QString::number(maximum));
    else if (value < 1) edit->setText("1");
    ApplyButton->setEnabled(true);
}

void TPreferencesForm::Spin(QLineEdit* edit, int& value, int maximum, int step, bool writeUnchanged) {
    const int before = value;
    if (step > 0 && value < maximum) ++value;
    if (step < 0 && value > 1) --value;
    if (value == before && !writeUnchanged) return;
    edit->setText(QString("%1").arg(value, 2));
}

void TPreferencesForm::ResetButtonClick() {
    SilenceAmpEdit->setText("10");
    SilenceDurationEdit->setText("3");
    PreViewEdit->setText("5");
}

void TPreferencesForm::BrowseButtonClick() {
    if (browsingForFolder_) return;
    browsingForFolder_ = true;
    const QString folder = dialogs_.FolderName(this, "Select a folder to save your wave files.");
    if (!folder.isEmpty()) outPutFilePathEdit->setText(folder);
    browsingForFolder_ = false;
}

void TPreferencesForm::okButtonClick() {
    if (!browsingForFolder_) (void)SavePreferences(true);
}

void TPreferencesForm::ApplyButtonClick() {
    // A raised error leaves Apply on; a refusal with a message turns it off.
    if (SavePreferences(false) != SaveOutcome::Raised) ApplyButton->setEnabled(false);
}

TPreferencesForm::SaveOutcome TPreferencesForm::SavePreferences(bool close) {
    const engine::SettingsFile settings;
    try {
        settings.Write(engine::keys::CodecName, preferencesCodecComboBox->currentText().toStdString());
        if (!preferencesBitRateComboBox->currentText().isEmpty())
            settings.Write(engine::keys::BitRate, preferencesBitRateComboBox->currentText().toInt());
        if (outPutFilePathRadioButton1->isChecked()) {
            settings.Write(engine::keys::SameAsSourceFile, true);
        } else {
            const std::string folder = outPutFilePathEdit->text().toStdString();
            if (platform::HasLineBreak(folder)) {
                seam_.ShowErrorBox(engine::text::kFolderNameHasLineBreak);
                return SaveOutcome::Refused;
            }
            if (folder.empty() || !engine::DirectoryExists(folder)) {
                engine::ShowErrorMessage(seam_, engine::MsgInvalidOutputLocation);
                return SaveOutcome::Refused;
            }
            settings.Write(engine::keys::OutputFilePath, folder);
            settings.Write(engine::keys::SameAsSourceFile, false);
        }
        const auto amplitude = ReadInteger(SilenceAmpEdit->text());
        if (!amplitude) throw engine::RaisedError("Silence Amplitude must be a number");
        const auto duration = ReadInteger(SilenceDurationEdit->text());
        if (!duration) throw engine::RaisedError("Silence Duration must be a number");
        const auto preview = ReadInteger(PreViewEdit->text());
        if (!preview) throw engine::RaisedError("Preview EndTime must be a number");
        const std::pair<bool, int> ranges[] = {{*amplitude >= 1 && *amplitude <= 100, engine::MsgAmplitudeRange},
                                               {*duration >= 1 && *duration <= 100, engine::MsgDurationRange},
                                               {*preview >= 1 && *preview <= 99, engine::MsgPreviewRange}};
        for (const auto& [inside, message] : ranges) {
            if (!inside) {
                engine::ShowErrorMessage(seam_, message);
                return SaveOutcome::Refused;
            }
        }
        settings.Write(engine::keys::SilenceAmplitude, *amplitude);
        settings.Write(engine::keys::SilenceDuration, *duration);
        settings.Write(engine::keys::PreViewEndTime, *preview);
        settings.Write(engine::keys::FlacLevel, FlacLevelComboBox->currentIndex());
        settings.Write(engine::keys::WideFormats, WideFormatsCheckBox->isChecked());
        settings.Write(engine::keys::WriteMp3Tags, Mp3TagsCheckBox->isChecked());
        // Stored, it holds from the next file opened on.
        engine::SetWideFormats(WideFormatsCheckBox->isChecked());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(seam_, error);
        return SaveOutcome::Raised;
    }
    if (close) accept();
    return SaveOutcome::Saved;
}

}  // namespace quillon::app
