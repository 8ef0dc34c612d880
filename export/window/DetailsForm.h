#pragma once
// Edit > Recording Details: the artist, album, year and genre that every
// track's tags carry, and the number of the first track (1-999). The fields
// show what they are given; Details() reads them back as typed, trimmed.

#include <QDialog>

#include "export/RecordingDetails.h"

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace quillon::app {

class TDetailsForm : public QDialog {
    Q_OBJECT
public:
    explicit TDetailsForm(QWidget* parent);

    QLineEdit* ArtistEdit;
    QLineEdit* AlbumEdit;  // empty stands for defaultAlbum, shown greyed
    QLineEdit* YearEdit;
    QLineEdit* GenreEdit;
    QSpinBox* FirstNumberEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    void SetDetails(const engine::RecordingDetails& details, const QString& defaultAlbum);
    [[nodiscard]] engine::RecordingDetails Details() const;
};

}  // namespace quillon::app
