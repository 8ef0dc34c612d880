// Naming the tracks from a title list through the main window, confirmed in
// the real import dialog, run modally and answered as a user would.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/window/MainForm.h"
#include "app/window/TrackListView.h"
#include "app/window/UserDialogs.h"
#include "editing/window/ImportForm.h"
#include "editing/window/ImportHandlers.h"
#include "support/window/FormFixture.h"

using namespace quillon;

class ImportTest : public QObject, protected test::FormFixture<app::QtUserDialogs> {
    Q_OBJECT

private slots:
    void init() { Prepare(); }
    void cleanup() { DestroyForm(); }

    void moreTitlesThanRowsAreConfirmedThenNameTheRows() {
        QVERIFY(ShowForm());
        form_->TrackList = {{"Side A.0001", "00:00:000", "00:10:000", "00:10:000", 0, 0},
                            {"Side A.0002", "00:10:000", "00:20:000", "00:10:000", 0, 0},
                            {"Side A.0003", "00:20:000", "00:30:000", "00:10:000", 0, 0}};
        form_->FillTrackListView();
        form_->TrackListView->SetChecked(1, true);
        const std::string text = "A1. Intro\nA2. Blue / Green\nA3. Coda\nB1. Hidden Track\n";
        const std::string list = files_->Write("Side A.txt", test::Bytes(text.begin(), text.end()));

        // What the user sees in the dialog, and whether the window was busy meanwhile.
        QString summary;
        bool warned = false, busy = false, offeredCut = true;
        QTimer hand;
        connect(&hand, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<app::TImportForm*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            summary = dialog->SummaryLabel->text();
            warned = dialog->WarningIcon->isVisible();
            offeredCut = dialog->CutAtTimesCheck->isVisible();
            busy = form_->UiBusy.load();
            QTest::mouseClick(dialog->OkButton, Qt::LeftButton);
        });
        hand.start(20);
        form_->Imports().ImportFile(list);
        hand.stop();

        QCOMPARE(summary, QString("4 titles for 3 tracks: tracks 1-3 get titles; title 4 is left out."));
        QVERIFY(warned);
        QVERIFY(!offeredCut);  // a title list has no times
        QVERIFY(busy);
        QVERIFY(!form_->UiBusy.load());
        const char* names[] = {"Intro", "Blue - Green", "Coda"};
        const char* titles[] = {"Intro", "Blue / Green", "Coda"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(form_->TrackList[std::size_t(i)].Name, std::string(names[i]));
            QCOMPARE(form_->TrackList[std::size_t(i)].Title, std::string(titles[i]));
            QCOMPARE(form_->TrackListView->Row(i)->text(0), QString(names[i]));
        }
        QVERIFY(form_->TrackListView->IsChecked(1));  // the rows stay as they were checked
        QCOMPARE(form_->StatusText(0), QString("Named 3 tracks from Side A.txt."));
    }
};

QTEST_MAIN(ImportTest)
#include "ImportTest.moc"
