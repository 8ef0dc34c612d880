// Times filling the main window's track list with many tracks, checking them
// all and clearing the list, against the same rows put into a plain Qt tree
// widget in one call, and prints both in seconds (best of the runs):
//   quillon-bench-listfill TRACKS RUNS
#include <QApplication>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "analysis/TrackTimes.h"
#include "app/window/MainForm.h"
#include "app/window/TrackListView.h"
#include "app/window/UserDialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

quillon::engine::TrackList Tracks(int count) {
    using namespace quillon::engine;
    TrackList tracks;
    for (int i = 0; i < count; ++i) {
        const auto start = uint32_t(i) * 3500, stop = start + 3500;
        tracks.push_back(
            {"Side." + IntToPadded(i + 1, 4), FormatTime(start), FormatTime(stop), FormatTime(3500), 0, 0});
    }
    return tracks;
}

// Fill, then the rows laid out and drawn once, as the window would show them.
template <typename Fill>
double Timed(QWidget& window, QTreeWidget& view, Fill fill) {
    const auto start = Clock::now();
    fill();
    view.scrollToBottom();
    window.grab();
    return Since(start);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10050;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const quillon::engine::TrackList tracks = Tracks(count);

    quillon::app::QtUserDialogs dialogs;
    quillon::app::TMainForm form({}, dialogs);
    form.show();
    QTreeWidget plain;
    plain.setColumnCount(4);
    plain.resize(form.TrackListView->size());
    plain.show();

    double ours = 1e9, reference = 1e9, checkAll = 1e9, clear = 1e9;
    for (int run = 0; run < runs; ++run) {
        ours = std::min(ours, Timed(form, *form.TrackListView, [&] {
                            form.TrackList = tracks;
                            form.FillTrackListView();
                        }));
        checkAll = std::min(checkAll, Timed(form, *form.TrackListView, [&] { form.SelectAllMenuItemClick(); }));
        clear = std::min(clear, Timed(form, *form.TrackListView, [&] { form.TrackListView->clear(); }));
        reference = std::min(
            reference, Timed(plain, plain, [&] {
                QList<QTreeWidgetItem*> items;
                items.reserve(count);
                for (const auto& t : tracks) {
                    items << new QTreeWidgetItem({QString::fromStdString(t.Name), QString::fromStdString(t.Start),
                                                  QString::fromStdString(t.Stop), QString::fromStdString(t.Duration)});
                }
                plain.addTopLevelItems(items);
            }));
        plain.clear();
        app.processEvents();
    }
    std::printf("%d %.4f %.4f %.4f %.4f\n", count, ours, reference, checkAll, clear);
    return 0;
}
