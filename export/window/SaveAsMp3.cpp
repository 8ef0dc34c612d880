#include "export/window/SaveAsMp3.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "app/ErrorCodes.h"
#include "app/window/FitToText.h"
#include "export/mp3/Lame_dll.h"
#include "export/mp3/WaveToMP3.h"
#include "settings/Settings.h"

namespace quillon::app {

engine::BitRateLists FillCodecList(QComboBox& codecs, const std::string& source, engine::WindowSeam& seam) {
    const QSignalBlocker blocker(&codecs);
    codecs.clear();
    if (engine::LoadLameLibrary()) codecs.addItem(engine::kLameCodecName);
    engine::BitRateLists lists = engine::BuildBitRateLists(source, seam);
    if (!lists.acm.empty()) codecs.addItem(engine::kAcmCodecName);
    codecs.setCurrentIndex(0);
    return lists;
}

void FillBitRateList(QComboBox& rates, const QComboBox& codecs, const engine::BitRateLists& lists) {
    rates.clear();
    const bool lame = engine::IsLameCodecName(codecs.currentText().toStdString());
    for (const uint32_t rate : lame ? lists.lame : lists.acm) rates.addItem(QString::number(rate));
    rates.setCurrentIndex(0);
}

TSaveAsMP3Form::TSaveAsMP3Form(QWidget* parent, engine::WindowSeam& seam, std::function<std::string()> source)
    : QDialog(parent), seam_(seam), source_(std::move(source)) {
    setObjectName("SaveAsMP3Form");
    setWindowTitle("Corvane MP3 Conversion");
    setFixedSize(410, 78);
    Label2 = new QLabel("MP3 Codec :", this);
    Label2->setGeometry(10, 12, 80, 24);
    CodecComboBox = new QComboBox(this);
    CodecComboBox->setGeometry(92, 12, 141, 26);
    Label2->setBuddy(CodecComboBox);
    Label1 = new QLabel("MP3 Bit Rate :", this);
    Label1->setGeometry(239, 12, 88, 24);
    BitRateComboBox = new QComboBox(this);
    BitRateComboBox->setGeometry(329, 12, 75, 26);
    Label1->setBuddy(BitRateComboBox);
    OkButton = new QPushButton("OK", this);
    OkButton->setGeometry(238, 46, 80, 26);
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setGeometry(324, 46, 80, 26);
    connect(CodecComboBox, &QComboBox::currentIndexChanged, this, [this] { CodecComboBoxChange(); });
    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TSaveAsMP3Form::showEvent(QShowEvent* event) {
    // Coming back from being minimised is no new showing: the choice stays.
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TSaveAsMP3Form::FormShow() {
    lists_ = FillCodecList(*CodecComboBox, source_ ? source_() : std::string(), seam_);
    FillBitRates();
    // The lists are known now: at a larger font the row grows for them and
    // the buttons stay at the right.
    const int growth = GrowRow({Label2, CodecComboBox, Label1, BitRateComboBox});
    if (growth <= 0) return;
    for (QPushButton* b : {OkButton, CancelButton}) b->move(b->x() + growth, b->y());
    setFixedSize(width() + growth, height());
}

void TSaveAsMP3Form::CodecComboBoxChange() { FillBitRates(); }

void TSaveAsMP3Form::FillBitRates() {
    FillBitRateList(*BitRateComboBox, *CodecComboBox, lists_);
    // Nothing to choose, nothing to confirm.
    OkButton->setEnabled(BitRateComboBox->count() > 0);
}

void TSaveAsMP3Form::OkButtonClick() {
    if (BitRateComboBox->count() == 0) return;
    const std::string codec = CodecComboBox->currentText().toStdString();
    const int rate = BitRateComboBox->currentText().toInt();
    try {
        const engine::SettingsFile settings;
        settings.Write(engine::keys::IsRunningFirstTime, false);
        settings.Write(engine::keys::CodecName, codec);
        settings.Write(engine::keys::BitRate, rate);
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(seam_, error);
        return;
    }
    CurrentCodecName = codec;
    CurrentBitRate = uint16_t(rate);
    accept();
}

}  // namespace quillon::app
