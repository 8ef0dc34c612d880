// Every text of the windows has room at the platform's font: the main window
// with tracks listed and a recording's format shown, and the MP3 dialogs.
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "app/window/MainForm.h"
#include "export/window/CodecMessageUnit.h"
#include "export/window/Mp3Handlers.h"
#include "export/window/SaveAsMp3.h"
#include "support/TestWave.h"
#include "support/window/FormFixture.h"
#include "support/window/TextFit.h"

using namespace quillon;

class TextFitTest : public QObject, protected test::FormFixture<> {
    Q_OBJECT

    // Shows dialog as the program would and says which texts are cut.
    QStringList CutIn(QDialog& dialog) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) return {"not shown"};
        const QStringList cut = test::CutTexts(dialog);
        dialog.hide();
        return cut;
    }

private slots:
    void init() {
        Prepare();
        QVERIFY(ShowForm());
        form_->TrackList = {{"Side A.0001", "00:00:000", "03:20:500", "03:20:500", 0, 0}};
        form_->FillTrackListView();
        form_->ShowWaveInfo(200500, 44100, 16, 2, false);
        test::Pcm pcm(16, 2);
        pcm.Loud(4410);
        form_->FileNameEdit->setText(
            QString::fromStdString(files_->Write("Side A.wav", test::PcmWave(test::Format{}, pcm.bytes()))));
    }
    void cleanup() { DestroyForm(); }

    void mainWindow() {
        QTRY_VERIFY2(test::CutTexts(*form_).isEmpty(), qPrintable(test::CutTexts(*form_).join('\n')));
        const int widths[] = {283, 70, 60, 60, 60};  // the least each format panel gets
        for (int i = 1; i < 5; ++i)
            QVERIFY2(form_->StatusPanels[i]->width() >= widths[i], qPrintable(QString::number(i)));
        QCOMPARE(form_->StatusText(4), QString("03:20:500"));
    }

    void mp3Dialogs() {
        app::Mp3Handlers& mp3 = form_->Mp3();
        const QStringList cut = CutIn(*mp3.CodecMessageForm);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
        QVERIFY2(mp3.CodecMessageForm->width() >= 512 && mp3.CodecMessageForm->height() >= 171,
                 qPrintable(QString("%1x%2").arg(mp3.CodecMessageForm->width()).arg(mp3.CodecMessageForm->height())));
        mp3.SaveAsMP3Form->FormShow();
        QVERIFY(mp3.SaveAsMP3Form->BitRateComboBox->count() > 0);
        QCOMPARE(mp3.SaveAsMP3Form->BitRateComboBox->width(), 75);
    }
};

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
