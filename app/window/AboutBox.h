#pragma once
// The About box: the program's name, its version and an OK button.

#include <QDialog>

namespace quillon::app {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent);
};

}  // namespace quillon::app
