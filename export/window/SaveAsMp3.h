#pragma once
// The MP3 settings dialog: the codec and the bit rate of the next MP3 save,
// offered only as the installed encoders accept them for the source.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

#include "export/mp3/BitRateLists.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace quillon::engine {
class WindowSeam;
}

namespace quillon::app {

// Both MP3 dialogs offer the same choice. FillCodecList puts the usable
// codecs into codecs ("LAME Encoder" when LAME loads, the converter when it
// offers a rate for source) and returns the rates of each. FillBitRateList
// fills rates for the codec chosen in codecs, the first one selected.
[[nodiscard]] engine::BitRateLists FillCodecList(QComboBox& codecs, const std::string& source,
                                                 engine::WindowSeam& seam);
void FillBitRateList(QComboBox& rates, const QComboBox& codecs, const engine::BitRateLists& lists);

class TSaveAsMP3Form : public QDialog {
    Q_OBJECT
public:
    // source gives the file named in the main window when the dialog opens.
    TSaveAsMP3Form(QWidget* parent, engine::WindowSeam& seam, std::function<std::string()> source);

    QLabel* Label2;
    QComboBox* CodecComboBox;
    QLabel* Label1;
    QComboBox* BitRateComboBox;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    // What OK chose, also stored in the settings.
    std::string CurrentCodecName;
    uint16_t CurrentBitRate = 0;

    void FormShow();
    void CodecComboBoxChange();
    void OkButtonClick();
    [[nodiscard]] const engine::BitRateLists& Lists() const { return lists_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillBitRates();

    engine::WindowSeam& seam_;
    std::function<std::string()> source_;
    engine::BitRateLists lists_;  // the converter's and LAME's rates
};

}  // namespace quillon::app
