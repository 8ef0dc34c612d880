#include "export/window/DetailsForm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillon::app {
namespace {

constexpr int kFieldWidthInChars = 36;
constexpr int kLastFirstNumber = 999;

std::string Field(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

}  // namespace

TDetailsForm::TDetailsForm(QWidget* parent) : QDialog(parent) {
    setObjectName("DetailsForm");
    setWindowTitle("Recording Details");
    ArtistEdit = new QLineEdit(this);
    AlbumEdit = new QLineEdit(this);
    YearEdit = new QLineEdit(this);
    YearEdit->setPlaceholderText("1977 or 1977-05-08");
    GenreEdit = new QLineEdit(this);
    FirstNumberEdit = new QSpinBox(this);
    FirstNumberEdit->setRange(1, kLastFirstNumber);
    FirstNumberEdit->setToolTip("The first track's number; the tracks below it count on from it");
    ArtistEdit->setMinimumWidth(kFieldWidthInChars * fontMetrics().averageCharWidth());

    auto* fields = new QFormLayout;
    fields->addRow("&Artist:", ArtistEdit);
    fields->addRow("Al&bum:", AlbumEdit);
    fields->addRow("&Year:", YearEdit);
    fields->addRow("&Genre:", GenreEdit);
    fields->addRow("&First track number:", FirstNumberEdit);
    OkButton = new QPushButton("OK", this);
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TDetailsForm::SetDetails(const engine::RecordingDetails& details, const QString& defaultAlbum) {
    ArtistEdit->setText(QString::fromStdString(details.Artist));
    AlbumEdit->setText(QString::fromStdString(details.Album));
    AlbumEdit->setPlaceholderText(defaultAlbum);
    YearEdit->setText(QString::fromStdString(details.Year));
    GenreEdit->setText(QString::fromStdString(details.Genre));
    FirstNumberEdit->setValue(int(details.FirstNumber));
    ArtistEdit->setFocus();
}

engine::RecordingDetails TDetailsForm::Details() const {
    engine::RecordingDetails details;
    details.Artist = Field(ArtistEdit);
    details.Album = Field(AlbumEdit);
    details.Year = Field(YearEdit);
    details.Genre = Field(GenreEdit);
    details.FirstNumber = uint32_t(FirstNumberEdit->value());
    return details;
}

}  // namespace quillon::app
