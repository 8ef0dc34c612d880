#pragma once
// The split dialog: one masked field for the split point, mm:ss:mmm, seven
// digits required. Made once and reused; the field is reset to 00:00:000
// every time the dialog opens.

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon::app {

class TSplitForm : public QDialog {
    Q_OBJECT
public:
    explicit TSplitForm(QWidget* parent);

    QLabel* Label1;
    QLineEdit* splitpointEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;
    std::function<void()> OnHelp;  // opens help topic 11

    void FormShow();
    // The seven digits "mmssmmm" without separators; empty while the entry is
    // incomplete, so a half-typed point never becomes a split point.
    [[nodiscard]] QString SplitPointDigits() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OkButtonClick();
};

}  // namespace quillon::app
