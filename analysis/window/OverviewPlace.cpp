// Where the overview window opens: beside the main window the first time (or
// below it when the screen has no room beside it), so it never covers the
// list; later where the user left it, brought back onto a screen that still
// exists.
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <algorithm>

#include "analysis/window/OverviewForm.h"
#include "app/ErrorCodes.h"
#include "app/window/FormPanel.h"
#include "app/window/QtSeams.h"
#include "settings/Settings.h"

namespace quillon::app {

void TOverviewForm::StorePlace() const {
    const QRect r = geometry();
    try {
        engine::SettingsFile().Write(
            engine::keys::OverviewWindow,
            QString("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString());
    } catch (const engine::RaisedError& error) {
        engine::ShowRaisedError(form_.Seam(), error);
    }
}

void TOverviewForm::RestorePlace() {
    const QStringList parts =
        QString::fromStdString(engine::SettingsFile().Read(engine::keys::OverviewWindow)).split(',');
    int v[4];
    bool stored = parts.size() == 4;
    for (int i = 0; i < 4 && stored; ++i) v[i] = parts[i].trimmed().toInt(&stored);
    if (!stored || v[2] < minimumSizeHint().width() || v[3] < minimumSizeHint().height()) return PlaceBesideWindow();
    QRect place(v[0], v[1], v[2], v[3]);
    // A screen unplugged since: the window comes back whole onto the nearest one there is.
    const QScreen* screen = QGuiApplication::screenAt(place.center());
    if (screen == nullptr) screen = form_.Window().screen();
    if (screen != nullptr) {
        const QRect room = screen->availableGeometry();
        place.setSize(place.size().boundedTo(room.size()));
        place.moveLeft(std::clamp(place.left(), room.left(), room.right() + 1 - place.width()));
        place.moveTop(std::clamp(place.top(), room.top(), room.bottom() + 1 - place.height()));
    }
    setGeometry(place);
}

void TOverviewForm::PlaceBesideWindow() {
    const QWidget& window = form_.Window();
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    const QRect room = screen->availableGeometry();
    const QRect main = window.frameGeometry();
    // Our own frame is not known before the first show; the main window's is the best guess.
    const QMargins frame(window.geometry().left() - main.left(), window.geometry().top() - main.top(),
                         main.right() - window.geometry().right(), main.bottom() - window.geometry().bottom());
    constexpr int kGap = 8;
    const int right = room.right() - main.right() - kGap, left = main.left() - room.left() - kGap;
    const int below = room.bottom() - main.bottom() - kGap;
    QRect place(QPoint(), size().grownBy(frame));
    const QSize least = minimumSizeHint().grownBy(frame).expandedTo(QSize(480, 300));
    if (std::max(right, left) >= std::min(place.width(), least.width()) && std::max(right, left) >= below) {
        // Beside, on the roomier side, narrowed to the room there is.
        place.setWidth(std::min(place.width(), std::max(right, left)));
        place.moveTopLeft(right >= left ? QPoint(main.right() + 1 + kGap, main.top())
                                        : QPoint(main.left() - kGap - place.width(), main.top()));
    } else {
        place.setHeight(std::max(std::min(place.height(), below), std::min(place.height(), least.height())));
        place.moveTopLeft(QPoint(main.left(), main.bottom() + 1 + kGap));
    }
    place.moveTop(std::clamp(place.top(), room.top(), room.bottom() + 1 - place.height()));
    place.moveLeft(std::clamp(place.left(), room.left(), room.right() + 1 - place.width()));
    setGeometry(place.marginsRemoved(frame));
}

}  // namespace quillon::app
