#include "app/window/AboutBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ErrorCodes.h"
#include "app/Util.h"

namespace quillon::app {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Quillon");
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QString::fromStdString(engine::DataFolder("artwork")) + "quillon-64.png"));
    auto* name = new QLabel(QString("<b style='font-size:15pt'>%1</b>").arg(engine::kAppCaption), this);
    auto* version = new QLabel("Version " + QString::fromStdString(engine::GetFileVersionText()), this);
    version->setObjectName("version");
    auto* blurb = new QLabel("Finds the tracks of a long wave recording\nand saves them as wave or MP3 files.", this);
    auto* ok = new QPushButton("&OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(6);
    text->addWidget(blurb);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quillon::app
